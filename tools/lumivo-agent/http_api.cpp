// SPDX-License-Identifier: GPL-2.0-or-later
#include "http_api.h"

#include "hash.h"
#include "notification.h"
#include "project_check.h"
#include "project_uses.h"

#include "core/project.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <set>
#include <thread>

namespace agent {

namespace {

using nlohmann::json;

// How long a changing request waits for the loop to act on it, so that its
// answer can name the hash then on the board.
constexpr Ms kAnswerWaitMs = 3000;

json Time(Ms t) { return t ? json(IsoTime(t)) : json(nullptr); }

json NotificationJson(const Notification& n, Ms now)
{
    auto opt = [](const std::optional<unsigned>& v) { return v ? json(*v) : json(nullptr); };
    return {{"id", n.id},
            {"text", n.text},
            {"color", opt(n.color)},
            {"start", opt(n.effectS)},
            {"wait", opt(n.effectW)},
            {"end", opt(n.effectE)},
            {"priority", n.priority},
            {"duration", n.durationMs / 1000.0},
            {"ttl", n.ttlMs / 1000.0},
            {"createdAt", Time(n.createdAt)},
            {"shown", (n.shownMs + (n.shownSince ? now - n.shownSince : 0)) / 1000.0},
            {"onBoard", n.shownSince != 0}};
}

void SendJson(httplib::Response& res, int status, const json& body)
{
    res.status = status;
    res.set_content(body.dump(), "application/json");
}

void SendError(httplib::Response& res, int status, const std::string& message, const std::string& field = "")
{
    json e = {{"error", message}};
    if (!field.empty())
        e["field"] = field;
    SendJson(res, status, e);
}

const char* ErrorText(int status)
{
    switch (status) {
    case 400: return "bad request";
    case 401: return "a valid bearer token is needed";
    case 404: return "no such route";
    case 405: return "method not allowed";
    case 413: return "the body is over the limit";
    default: return "error";
    }
}

// Waits (bounded) until the loop has made a whole pass over the desired
// state of at least this revision.
AgentStatus AfterPass(CAgent& agent, uint64_t revision, uint64_t passes = 0)
{
    const Ms until = WallNow() + kAnswerWaitMs;
    AgentStatus s = agent.Loop().Status();
    while ((s.revisionSeen < revision || s.passes <= passes) && WallNow() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        s = agent.Loop().Status();
    }
    return s;
}

std::string TypeOf(const httplib::Request& req)
{
    std::string t = req.get_header_value("Content-Type");
    t = t.substr(0, t.find(';'));
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    return t;
}

} // namespace

void LogLine(const std::string& line)
{
    std::fprintf(stderr, "lumivo-agent: %s\n", line.c_str());
    std::fflush(stderr);
}

std::string StateJson(const AgentStatus& s, const DesiredState& d)
{
    const Ms now = WallNow();
    json board = {{"link", s.link}, {"device", s.device}};
    if (s.boardKnown) {
        board["moduleRows"] = s.board.board.moduleRow;
        board["moduleColumns"] = s.board.board.moduleColumn;
        board["language"] = std::string(1, char(s.board.board.language));
        board["storedAds"] = s.board.storedAds;
    }
    json j = {{"board", board},
              {"target", s.target.empty() ? json(nullptr) : json(s.target)},
              {"applied", s.applied.empty() ? json(nullptr) : json(s.applied)},
              {"appliedAt", Time(s.appliedAt)},
              {"verified", s.verified.empty() ? json(nullptr) : json(s.verified)},
              {"verifiedAt", Time(s.verifiedAt)},
              {"drift", s.drift},
              {"driftWhat", s.driftWhat.empty() ? json(nullptr) : json(s.driftWhat)},
              {"driftAt", Time(s.driftAt)},
              {"driftCount", s.driftCount},
              {"pages", s.pages},
              {"uses", ProjectUses(d)},
              {"why", s.why},
              {"notification", s.notification ? NotificationJson(*s.notification, now) : json(nullptr)},
              {"queued", d.notifications.size()},
              {"lastError", s.lastError.empty() ? json(nullptr) : json(s.lastError)},
              {"lastErrorAt", Time(s.lastErrorAt)},
              {"lastCheck", Time(s.lastCheck)},
              {"clockSetAt", Time(s.lastClock)},
              {"revision", d.revision},
              {"project", !d.project.empty()},
              {"schedule", d.schedule.empty() ? json(nullptr) : json(d.scheduleType)}};
    return j.dump();
}

CHttpApi::CHttpApi(CAgent& agent, std::string token) : m_agent(agent), m_token(std::move(token)) {}

CHttpApi::~CHttpApi() = default;

bool CHttpApi::Bind(std::string& error)
{
    const AgentConfig& c = m_agent.Config();
    if (!c.cert.empty()) {
        auto tls = std::make_unique<httplib::SSLServer>(c.cert.c_str(), c.key.c_str());
        if (!tls->is_valid()) {
            error = "the certificate " + c.cert + " or key " + c.key + " cannot be used";
            return false;
        }
        m_server = std::move(tls);
    } else {
        if (!IsLoopback(c.host) && !c.insecure) {
            error = "refusing to listen on " + c.host +
                    " without TLS: give cert and key, or insecure = true to allow plain HTTP there";
            return false;
        }
        if (!IsLoopback(c.host))
            LogLine("warning: plain HTTP on " + c.host + " (insecure): the token crosses the network in clear");
        m_server = std::make_unique<httplib::Server>();
    }
    // The largest body of any route; the smaller limits are checked per route.
    m_server->set_payload_max_length(kMaxProjectBody);
    m_server->set_read_timeout(10, 0);
    m_server->set_write_timeout(10, 0);
    Routes();
    if (c.port == 0) {
        m_port = m_server->bind_to_any_port(c.host.c_str());
        if (m_port < 0) {
            error = "cannot listen on " + c.host;
            return false;
        }
    } else if (!m_server->bind_to_port(c.host.c_str(), c.port)) {
        error = "cannot listen on " + c.listen;
        return false;
    } else {
        m_port = c.port;
    }
    return true;
}

void CHttpApi::Serve() { m_server->listen_after_bind(); }

void CHttpApi::Stop()
{
    if (m_server)
        m_server->stop();
}

void CHttpApi::Routes()
{
    httplib::Server& s = *m_server;
    CAgent& agent = m_agent;

    s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (req.path.rfind("/api/", 0) != 0 || req.path == "/api/v1/health")
            return httplib::Server::HandlerResponse::Unhandled;
        const std::string auth = req.get_header_value("Authorization");
        const std::string prefix = "Bearer ";
        if (auth.rfind(prefix, 0) != 0 || !SameSecret(auth.substr(prefix.size()), m_token)) {
            res.set_header("WWW-Authenticate", "Bearer");
            SendError(res, 401, ErrorText(401));
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    s.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        SendError(res, res.status, ErrorText(res.status));
        return httplib::Server::HandlerResponse::Handled;
    }));
    s.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        // The path only: the token travels in a header and is never logged.
        if (req.path != "/api/v1/preview.png" && req.path != "/api/v1/state" && req.path != "/api/v1/health")
            LogLine(req.method + " " + req.path + " " + std::to_string(res.status));
    });

    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_header("Content-Security-Policy", "default-src 'self'; img-src 'self' blob:; style-src 'self' 'unsafe-inline'; script-src 'self' 'unsafe-inline'");
        res.set_content(kWebPage, "text/html; charset=utf-8");
    });
    s.Get("/api/v1/health", [](const httplib::Request&, httplib::Response& res) { SendJson(res, 200, {{"ok", true}}); });
    s.Get("/api/v1/state", [&agent](const httplib::Request&, httplib::Response& res) {
        res.status = 200;
        res.set_content(StateJson(agent.Loop().Status(), agent.Store().Snapshot()), "application/json");
    });

    s.Put("/api/v1/project", [&agent](const httplib::Request& req, httplib::Response& res) {
        if (req.body.empty())
            return SendError(res, 400, "the body must be a .qvndoc file", "body");
        lumivo::CProjectCore probe([](int) { return std::optional<std::vector<uint8_t>>(); });
        const lumivo::Result r =
            CheckProject(probe, reinterpret_cast<const uint8_t*>(req.body.data()), req.body.size());
        if (!r)
            return SendError(res, 400, r.FirstError(), "body");
        const lumivo::Result w = agent.Store().Change([&](DesiredState& d) {
            d.project.assign(req.body.begin(), req.body.end());
            d.projectRevision = d.revision + 1;
            return lumivo::Result();
        });
        if (!w)
            return SendError(res, 500, w.FirstError());
        const uint64_t rev = agent.Store().Snapshot().revision;
        LogLine("project stored (" + std::to_string(req.body.size()) + " bytes, " + std::to_string(probe.PageCount()) +
                " Ads), revision " + std::to_string(rev));
        agent.Wake();
        const AgentStatus st = AfterPass(agent, rev);
        SendJson(res, 200, {{"revision", rev}, {"ads", probe.PageCount()}, {"items", probe.ItemCount()},
                            {"hash", st.applied.empty() ? json(nullptr) : json(st.applied)},
                            {"verified", st.verified.empty() ? json(nullptr) : json(st.verified)}});
    });
    // The Uses boxes alone: {"uses":[Ads to check, 1-based]}, the others cleared.
    s.Patch("/api/v1/project", [&agent](const httplib::Request& req, httplib::Response& res) {
        if (req.body.size() > kMaxJsonBody)
            return SendError(res, 413, "a change of the Uses boxes is at most " + std::to_string(kMaxJsonBody) + " bytes");
        const json j = json::parse(req.body, nullptr, false);
        if (j.is_discarded() || !j.is_object())
            return SendError(res, 400, "the body must be a JSON object", "body");
        if (!j.contains("uses") || !j["uses"].is_array())
            return SendError(res, 400, "uses must be an array of Ad numbers", "uses");
        std::set<unsigned> uses;
        for (const json& v : j["uses"]) {
            if (!v.is_number_unsigned() || v.get<uint64_t>() < 1 || v.get<uint64_t>() > lumivo::kMaxPages)
                return SendError(res, 400, "uses must hold Ad numbers from 1 to " + std::to_string(lumivo::kMaxPages),
                                 "uses");
            uses.insert(v.get<unsigned>());
        }
        if (agent.Store().Snapshot().project.empty())
            return SendError(res, 404, "no project has been pushed");
        bool refused = false; // by the project, not by the disk
        const lumivo::Result w = agent.Store().Change([&](DesiredState& d) {
            lumivo::Result r = SetProjectUses(d, uses);
            refused = !r;
            return r;
        });
        if (!w)
            return SendError(res, refused ? 400 : 500, w.FirstError(), refused ? "uses" : "");
        const uint64_t rev = agent.Store().Snapshot().revision;
        LogLine("Uses boxes changed, revision " + std::to_string(rev));
        agent.Wake();
        const AgentStatus st = AfterPass(agent, rev);
        SendJson(res, 200, {{"revision", rev}, {"uses", std::vector<unsigned>(uses.begin(), uses.end())},
                            {"hash", st.applied.empty() ? json(nullptr) : json(st.applied)},
                            {"verified", st.verified.empty() ? json(nullptr) : json(st.verified)}});
    });
    s.Get("/api/v1/project", [&agent](const httplib::Request&, httplib::Response& res) {
        const DesiredState d = agent.Store().Snapshot();
        if (d.project.empty())
            return SendError(res, 404, "no project has been pushed");
        res.set_content(std::string(d.project.begin(), d.project.end()), "application/octet-stream");
    });

    s.Put("/api/v1/schedule", [&agent](const httplib::Request& req, httplib::Response& res) {
        if (req.body.size() > kMaxScheduleBody)
            return SendError(res, 413, "a schedule is at most " + std::to_string(kMaxScheduleBody) + " bytes");
        const std::string type = TypeOf(req);
        if (type == "text/calendar") {
            if (req.body.rfind("BEGIN:VCALENDAR", 0) != 0)
                return SendError(res, 400, "an iCalendar body starts with BEGIN:VCALENDAR", "body");
        } else if (type == "application/json" || type.empty()) {
            const json j = json::parse(req.body, nullptr, false);
            if (j.is_discarded() || !j.is_object())
                return SendError(res, 400, "the schedule must be a JSON object", "body");
        } else {
            return SendError(res, 415, "Content-Type must be application/json or text/calendar", "Content-Type");
        }
        const lumivo::Result r = agent.PutSchedule(req.body, type.empty() ? "application/json" : type);
        if (!r)
            return SendError(res, 400, r.FirstError(), "body");
        const uint64_t rev = agent.Store().Snapshot().revision;
        LogLine("schedule stored (" + type + ", " + std::to_string(req.body.size()) + " bytes)");
        const AgentStatus st = AfterPass(agent, rev);
        SendJson(res, 200, {{"revision", rev}, {"pages", st.pages}, {"why", st.why},
                            {"hash", st.applied.empty() ? json(nullptr) : json(st.applied)}});
    });
    s.Get("/api/v1/schedule", [&agent](const httplib::Request&, httplib::Response& res) {
        const DesiredState d = agent.Store().Snapshot();
        if (d.schedule.empty())
            return SendError(res, 404, "no schedule has been stored");
        res.set_content(d.schedule, d.scheduleType.c_str());
    });

    s.Post("/api/v1/notify", [&agent](const httplib::Request& req, httplib::Response& res) {
        if (req.body.size() > kMaxJsonBody)
            return SendError(res, 413, "a notification is at most " + std::to_string(kMaxJsonBody) + " bytes");
        Notification n;
        RequestError e;
        if (!ParseNotifyRequest(req.body, n, e))
            return SendError(res, 400, e.message, e.field);
        if (const lumivo::Result r = agent.Loop().CheckNotification(n); !r)
            return SendError(res, 422, r.FirstError(), "text");
        uint64_t id = 0;
        const lumivo::Result w = agent.Store().Change([&](DesiredState& d) {
            n.id = id = d.nextNotificationId++;
            n.createdAt = WallNow();
            d.notifications.push_back(n);
            return lumivo::Result();
        });
        if (!w)
            return SendError(res, 500, w.FirstError());
        LogLine("notification " + std::to_string(id) + " queued (priority " + std::to_string(n.priority) + ")");
        agent.Wake();
        const AgentStatus st = AfterPass(agent, agent.Store().Snapshot().revision);
        SendJson(res, 200, {{"id", id},
                            {"hash", st.applied.empty() ? json(nullptr) : json(st.applied)},
                            {"onBoard", st.notification && st.notification->id == id}});
    });
    s.Get("/api/v1/notify", [&agent](const httplib::Request&, httplib::Response& res) {
        const DesiredState d = agent.Store().Snapshot();
        json list = json::array();
        for (const Notification& n : d.notifications)
            list.push_back(NotificationJson(n, WallNow()));
        SendJson(res, 200, list);
    });
    s.Delete(R"(/api/v1/notify/(\d{1,18}))", [&agent](const httplib::Request& req, httplib::Response& res) {
        const uint64_t id = std::stoull(req.matches[1]);
        bool found = false;
        const lumivo::Result w = agent.Store().Change([&](DesiredState& d) {
            found = std::erase_if(d.notifications, [&](const Notification& n) { return n.id == id; }) > 0;
            return found ? lumivo::Result() : lumivo::Result::Fail("no notification " + std::to_string(id));
        });
        if (!found)
            return SendError(res, 404, "no notification " + std::to_string(id));
        if (!w)
            return SendError(res, 500, w.FirstError());
        LogLine("notification " + std::to_string(id) + " deleted");
        agent.Wake();
        const AgentStatus st = AfterPass(agent, agent.Store().Snapshot().revision);
        SendJson(res, 200, {{"id", id}, {"hash", st.applied.empty() ? json(nullptr) : json(st.applied)}});
    });

    s.Put("/api/v1/settings", [&agent](const httplib::Request& req, httplib::Response& res) {
        if (req.body.size() > kMaxJsonBody)
            return SendError(res, 413, "settings are at most " + std::to_string(kMaxJsonBody) + " bytes");
        const json j = json::parse(req.body, nullptr, false);
        if (j.is_discarded() || !j.is_object())
            return SendError(res, 400, "the settings must be a JSON object of name and value", "body");
        std::map<std::string, std::string> edits;
        for (const auto& [name, value] : j.items()) {
            std::string text;
            if (!SettingText(value, text))
                return SendError(res, 400, name + " must be a string, a number or true/false", name);
            if (const std::string why = CheckSetting(name, text); !why.empty())
                return SendError(res, 400, why, name);
            edits[name] = text;
        }
        const lumivo::Result w = agent.Store().Change([&](DesiredState& d) {
            for (const auto& [k, v] : edits)
                d.settings[k] = v;
            d.settingsRevision = d.revision + 1;
            return lumivo::Result();
        });
        if (!w)
            return SendError(res, 500, w.FirstError());
        agent.Wake();
        const DesiredState d = agent.Store().Snapshot();
        AfterPass(agent, d.revision);
        SendJson(res, 200, {{"revision", d.revision}, {"settings", d.settings}});
    });

    auto action = [&agent](void (CReconciler::*request)(), const char* what) {
        return [&agent, request, what](const httplib::Request&, httplib::Response& res) {
            const uint64_t passes = agent.Loop().Status().passes;
            (agent.Loop().*request)();
            agent.Wake();
            const AgentStatus st = AfterPass(agent, 0, passes);
            LogLine(std::string(what) + " requested");
            SendJson(res, 200, {{"link", st.link},
                                {"hash", st.applied.empty() ? json(nullptr) : json(st.applied)},
                                {"verified", st.verified.empty() ? json(nullptr) : json(st.verified)},
                                {"drift", st.drift},
                                {"lastError", st.lastError.empty() ? json(nullptr) : json(st.lastError)}});
        };
    };
    s.Post("/api/v1/send", action(&CReconciler::RequestSend, "send"));
    s.Post("/api/v1/verify", action(&CReconciler::RequestVerify, "verify"));
    s.Post("/api/v1/clock", action(&CReconciler::RequestClock, "clock"));

    s.Get("/api/v1/preview.png", [&agent](const httplib::Request& req, httplib::Response& res) {
        int zoom = 4;
        if (req.has_param("zoom")) {
            const std::string z = req.get_param_value("zoom");
            if (z.size() > 2 || z.find_first_not_of("0123456789") != std::string::npos || z.empty() ||
                std::stoi(z) < 1 || std::stoi(z) > 16)
                return SendError(res, 400, "zoom must be 1 to 16", "zoom");
            zoom = std::stoi(z);
        }
        const AgentStatus st = agent.Loop().Status();
        if (!st.boardKnown)
            return SendError(res, 404, "the board has not answered yet");
        std::vector<uint8_t> png;
        std::string error;
        if (!agent.Preview().Frame(st.appliedBlob, st.board, st.appliedAt, WallNow(), zoom, png, error))
            return SendError(res, 500, error);
        const std::string etag = "\"" + ContentHash(png).substr(7, 32) + "\"";
        res.set_header("ETag", etag);
        res.set_header("Cache-Control", "no-cache");
        if (req.get_header_value("If-None-Match") == etag) {
            res.status = 304;
            return;
        }
        res.set_content(std::string(png.begin(), png.end()), "image/png");
    });
    s.Get("/api/v1/render.gif", [&agent](const httplib::Request& req, httplib::Response& res) {
        // A bad request is one whatever the board is doing.
        Ms at = WallNow();
        if (req.has_param("at") && !ParseIsoTime(req.get_param_value("at"), at))
            return SendError(res, 400, "at must be a time like 2026-12-09T18:30:00Z", "at");
        double seconds = 5;
        if (req.has_param("seconds")) {
            char* end = nullptr;
            const std::string text = req.get_param_value("seconds");
            seconds = std::strtod(text.c_str(), &end);
            if (text.empty() || *end || !(seconds > 0) || seconds > 60)
                return SendError(res, 400, "seconds must be above 0 and at most 60", "seconds");
        }
        const AgentStatus st = agent.Loop().Status();
        if (!st.boardKnown)
            return SendError(res, 404, "the board has not answered yet");
        std::vector<uint8_t> gif;
        std::string error;
        if (!agent.Preview().Gif(st.appliedBlob, st.board, st.appliedAt, at, seconds, 4, gif, error))
            return SendError(res, 404, error);
        res.set_content(std::string(gif.begin(), gif.end()), "image/gif");
    });

    s.Get("/api/v1/log", [&agent](const httplib::Request& req, httplib::Response& res) {
        const std::vector<PlayLogEntry> log = agent.Loop().PlayLog();
        auto pages = [](const std::vector<unsigned>& p) {
            std::string out;
            for (unsigned n : p)
                out += (out.empty() ? "" : " ") + std::to_string(n);
            return out;
        };
        if (req.get_header_value("Accept").find("text/csv") != std::string::npos) {
            std::string csv = "from,to,hash,pages,notification,verifiedAt\r\n";
            for (const PlayLogEntry& e : log)
                csv += IsoTime(e.from) + "," + IsoTime(e.to) + "," + e.hash + "," + pages(e.pages) + "," +
                       (e.notification ? std::to_string(e.notification) : "") + "," + IsoTime(e.verifiedAt) + "\r\n";
            return res.set_content(csv, "text/csv");
        }
        json list = json::array();
        for (const PlayLogEntry& e : log)
            list.push_back({{"from", Time(e.from)},
                            {"to", Time(e.to)},
                            {"hash", e.hash},
                            {"pages", e.pages},
                            {"notification", e.notification ? json(e.notification) : json(nullptr)},
                            {"verifiedAt", Time(e.verifiedAt)}});
        SendJson(res, 200, list);
    });
}

} // namespace agent
