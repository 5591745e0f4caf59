// SPDX-License-Identifier: GPL-2.0-or-later
#include "lumivo_doc.h"

#include "core/atomic_file.h"
#include "core/core_text.h"
#include "core/item_text.h"
#include "core/project_board.h"
#include "core/text_image_project.h"
#include "ui/qt_text.h"
#include "undo/change_board.h"
#include "undo/add_remove_page.h"
#include "undo/change_item.h"
#include "undo/change_schedule.h"
#include "undo/change_user_images.h"
#include "undo/move_page.h"
#include "undo/place_text_images.h"
#include "undo/replace_ad_list.h"
#include "undo/replace_page.h"

#include <common/profile.h>

#include <QDir>
#include <QFileInfo>
#include <QUndoStack>

#include <cerrno>
#include <cstring>

CLumivoDoc::CLumivoDoc(CPrompts& prompts, lumivo::ContentLoader loader, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_core(std::move(loader)), m_undoStack(new QUndoStack(this))
{
    Report(m_core.Start(common::AppProfile()));
    connect(m_undoStack, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
}

CLumivoDoc::~CLumivoDoc() { m_core.WriteSettings(common::AppProfile()); }

bool CLumivoDoc::Report(const lumivo::Result& result)
{
    for (const lumivo::Message& m : result.messages()) {
        const auto icon = m.severity == lumivo::Severity::Error     ? CPrompts::Icon::Error
                          : m.severity == lumivo::Severity::Warning ? CPrompts::Icon::Warning
                                                                    : CPrompts::Icon::Information;
        if (m_prompts.message)
            m_prompts.message(icon, QString::fromStdString(m.text));
    }
    return result.ok();
}

bool CLumivoDoc::OnNewDocument()
{
    m_core.NewDocument();
    m_core.SetModified(false);
    m_undoStack->clear();
    SetPathName(QString());
    emit listChanged();
    emit modifiedChanged(false);
    return true;
}

bool CLumivoDoc::OnOpenDocument(const QString& path)
{
    const lumivo::BoardValues before = m_core.Board();
    if (!Report(m_core.LoadFile(path.toStdString())))
        return false;
    m_core.SetModified(false);
    m_undoStack->clear();
    SetPathName(path);
    // The board (and content) first: the list's views may start playing.
    if (!(before == m_core.Board()))
        emit boardChanged();
    emit listChanged();
    emit modifiedChanged(false);
    return true;
}

bool CLumivoDoc::OnSaveDocument(const QString& path)
{
    int error = 0;
    const lumivo::Result r = m_core.SaveFile(path.toStdString(), nullptr, &error);
    if (!r) {
        if (m_prompts.message)
            m_prompts.message(CPrompts::Icon::Error, SaveFailureText(path, error));
        return false;
    }
    // "Project Path" follows the place the project was saved to last.
    const QFileInfo file(path);
    m_core.SetProject(QDir::cleanPath(file.absolutePath()).toStdString(), file.completeBaseName().toStdString());
    m_core.WriteSaveSettings(common::AppProfile());
    m_core.SetModified(false);
    m_undoStack->setClean();
    SetPathName(path);
    emit modifiedChanged(false);
    emit saved(path);
    return true;
}

QString CLumivoDoc::SaveFailureText(const QString& path, int error)
{
    const QString name = QDir::toNativeSeparators(path);
    auto text = [&name](const char* key, const QString& reason = QString()) {
        std::vector<lumivo::FormatArg> args{name.toStdU16String()};
        if (!reason.isNull())
            args.emplace_back(reason.toStdU16String());
        return lumivo::FromU16(lumivo::FormatText(lumivo::LangText("Document", key), args));
    };
    if (lumivo::IsReadOnlyFile(path.toStdString()))
        return text("SaveReadOnly");
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return text("SaveNoFolder");
    case EACCES:
    case EPERM:
        return text("SaveNoAccess");
    case ENOSPC:
    case EDQUOT:
        return text("SaveDiskFull");
    case EROFS:
        return text("SaveReadOnlyDisk");
    default:
        return text("SaveFailed", QString::fromLocal8Bit(std::strerror(error ? error : EIO)));
    }
}

void CLumivoDoc::SetPathName(const QString& path)
{
    m_path = path;
    emit titleChanged();
}

QString CLumivoDoc::Title() const
{
    return m_path.isEmpty() ? lumivo::Tr("Document", "Untitled") : QFileInfo(m_path).fileName();
}

QString CLumivoDoc::ShortTitle() const
{
    return m_path.isEmpty() ? Title() : QFileInfo(m_path).completeBaseName();
}

bool CLumivoDoc::IsModified() const { return !m_undoStack->isClean(); }

void CLumivoDoc::SetModifiedFlag(bool modified)
{
    if (IsModified() == modified)
        return;
    m_core.SetModified(modified);
    // cleanChanged announces the change.
    if (modified)
        m_undoStack->resetClean();
    else
        m_undoStack->setClean();
}

// ---- Edits

bool CLumivoDoc::Push(lumivo::Result check, QUndoCommand* command)
{
    auto* c = static_cast<CDocCommand*>(command);
    if (check)
        check.Append(c->Apply());
    if (!Report(check)) {
        delete c;
        return false;
    }
    m_undoStack->push(c);
    return true;
}

bool CLumivoDoc::InsertPage(unsigned page, const std::vector<CLumivo>& items, const QString& text)
{
    return Push({}, new AddPage(*this, page, items, text));
}

bool CLumivoDoc::AppendPage(const std::vector<CLumivo>& items, const QString& text)
{
    return InsertPage(m_core.PageCount(), items, text);
}

bool CLumivoDoc::DeletePage(unsigned page, const QString& text)
{
    lumivo::Result check;
    if (page >= m_core.PageCount())
        check.Error(lumivo::CoreText("NoSuchPage", "there is no page %s", {std::to_string(page)}));
    return Push(check, new RemovePage(*this, page, text));
}

bool CLumivoDoc::ReplacePage(unsigned page, const std::vector<CLumivo>& items, const QString& text)
{
    return Push({}, new ::ReplacePage(*this, page, items, text));
}

bool CLumivoDoc::ChangeItem(size_t entry, const CLumivo& item, const QString& text)
{
    return Push({}, new ::ChangeItem(*this, entry, item, text));
}

bool CLumivoDoc::SetPageUsed(unsigned page, bool used, const QString& text)
{
    return Push({}, new ::SetPageUsed(*this, page, used, text));
}

bool CLumivoDoc::ReplaceAdList(const lumivo::AdPages& pages, const QString& text)
{
    return Push({}, new ::ReplaceAdList(*this, pages, text));
}

bool CLumivoDoc::MovePage(unsigned from, unsigned to, const QString& text)
{
    return Push({}, new ::MovePage(*this, from, to, text));
}

bool CLumivoDoc::ReplaceUserImages(const std::vector<CRGX<8192>>& images, const QString& text,
                                   std::optional<lumivo::TextImageRecipes> recipes)
{
    lumivo::Result check;
    if (images.size() > CContent::kUserImages)
        check.Error(lumivo::CoreText("ProjectImages", "a project holds at most %s user images",
                                     {std::to_string(CContent::kUserImages)}));
    return Push(check, new ChangeUserImages(*this, images, text, std::move(recipes)));
}

bool CLumivoDoc::RearrangeUserImages(const std::vector<CRGX<8192>>& images, const lumivo::ImageOrigins& origins,
                                     const QString& text)
{
    return Push({}, new ChangeUserImages(*this, images, text, origins));
}

bool CLumivoDoc::PlaceTextImages(std::optional<unsigned> page, const std::vector<CLumivo>& items,
                                 const std::vector<CRGX<8192>>& images, const lumivo::TextImageRecipes& recipes,
                                 const QString& text)
{
    lumivo::Result check;
    if (images.size() > CContent::kUserImages)
        check.Error(lumivo::CoreText("ProjectImages", "a project holds at most %s user images",
                                     {std::to_string(CContent::kUserImages)}));
    auto imageStep = std::make_unique<ChangeUserImages>(*this, images, text, recipes);
    std::unique_ptr<CDocCommand> pageStep;
    if (page)
        pageStep = std::make_unique<::ReplacePage>(*this, *page, items, text);
    else
        pageStep = std::make_unique<AddPage>(*this, m_core.PageCount(), items, text);
    std::vector<std::unique_ptr<CDocCommand>> pageSteps;
    pageSteps.push_back(std::move(pageStep));
    return Push(check, new ::PlaceTextImages(*this, std::move(imageStep), std::move(pageSteps), text));
}

bool CLumivoDoc::SplitTextImage(const lumivo::TextRecipe& recipe, const QString& text)
{
    lumivo::TextSplit split;
    const lumivo::Result check = lumivo::PlanSplitTextImage(m_core, recipe, split);
    if (!check)
        return Report(check);
    auto imageStep = std::make_unique<ChangeUserImages>(*this, std::move(split.images), text, std::move(split.recipes));
    // New last pages, so no page the schedule names moves.
    std::vector<std::unique_ptr<CDocCommand>> pageSteps;
    for (size_t k = 0; k < split.items.size(); ++k)
        pageSteps.push_back(
            std::make_unique<AddPage>(*this, m_core.PageCount() + unsigned(k), std::vector{split.items[k]}, text));
    return Push(check, new ::PlaceTextImages(*this, std::move(imageStep), std::move(pageSteps), text));
}

bool CLumivoDoc::SetSchedule(const lumivo::Schedule& schedule, const QString& text)
{
    return Push({}, new ChangeSchedule(*this, schedule, text));
}

// ---- Applying changes (the undo commands)

lumivo::Result CLumivoDoc::Announce(lumivo::Result r, const std::function<void()>& what)
{
    if (r) {
        if (what)
            what();
        emit listChanged();
    }
    return r;
}

lumivo::Result CLumivoDoc::ApplyInsertPage(unsigned page, const std::vector<CLumivo>& items,
                                           const std::vector<size_t>& scheduleEntries)
{
    return Announce(m_core.InsertPage(page, items, scheduleEntries), [&] { emit pageInserted(page); });
}

lumivo::Result CLumivoDoc::ApplyDeletePage(unsigned page)
{
    return Announce(m_core.DeletePage(page), [&] { emit pageRemoved(page); });
}

lumivo::Result CLumivoDoc::ApplyReplacePage(unsigned page, const std::vector<CLumivo>& items)
{
    return Announce(m_core.ReplacePage(page, items), [&] { emit pageChanged(page); });
}

lumivo::Result CLumivoDoc::ApplySetItem(size_t entry, const CLumivo& item)
{
    return Announce(m_core.SetItem(entry, item), [&] { emit itemChanged(entry); });
}

lumivo::Result CLumivoDoc::ApplySetPageUsed(unsigned page, bool used)
{
    return Announce(m_core.SetPageUsed(page, used), [&] { emit pageChanged(page); });
}

lumivo::Result CLumivoDoc::ApplyReplaceAdList(const lumivo::AdPages& pages)
{
    return Announce(m_core.ReplaceAdList(pages), nullptr);
}

lumivo::Result CLumivoDoc::ApplyMovePage(unsigned from, unsigned to)
{
    // The schedule's entries name the Ads by their new places.
    return Announce(m_core.MovePage(from, to), [&] { emit scheduleChanged(); });
}

lumivo::Result CLumivoDoc::ApplyUserImages(const std::vector<CRGX<8192>>& images,
                                           const lumivo::TextImageRecipes& recipes)
{
    lumivo::Result r = m_core.ReplaceUserImages(images);
    if (r) {
        m_core.TextRecipes() = recipes;
        emit userImagesChanged();
    }
    return r;
}

lumivo::Result CLumivoDoc::ApplyRearrangedUserImages(const std::vector<CRGX<8192>>& images,
                                                     const lumivo::ImageOrigins& origins,
                                                     std::vector<std::pair<size_t, CLumivo>>& changed)
{
    lumivo::Result r = lumivo::RearrangeUserImages(m_core, images, origins, &changed);
    if (r) {
        emit userImagesChanged();
        for (const auto& [entry, item] : changed)
            emit itemChanged(entry);
    }
    return r;
}

lumivo::Result CLumivoDoc::ApplySchedule(const lumivo::Schedule& schedule)
{
    lumivo::Result r = m_core.SetSchedule(schedule);
    if (r)
        emit scheduleChanged();
    return r;
}

bool CLumivoDoc::PackAdBlob(std::vector<uint8_t>& blob) { return Report(m_core.PackAdBlob(blob)); }

bool CLumivoDoc::PackUserImages(std::vector<uint8_t>& blob)
{
    lumivo::CProjectBoardDocument board(m_core);
    const bool ok = board.GetUserImageBlob(blob);
    Report(board.Notes());
    return ok;
}

bool CLumivoDoc::ChangeBoard(const lumivo::BoardValues& board, const QString& text)
{
    return Push({}, new ::ChangeBoard(*this, board, text));
}

lumivo::Result CLumivoDoc::ApplyBoard(const lumivo::BoardValues& board)
{
    lumivo::Result r = m_core.SetBoard(board);
    emit boardChanged();
    emit listChanged(); // titles of live items follow the library's language
    // The values changed even without a library: the step must be undoable.
    lumivo::Result kept;
    for (const lumivo::Message& m : r.messages())
        kept.Warn(m.text);
    return kept;
}

void CLumivoDoc::SetBoardLanguage(unsigned code)
{
    CContent& content = m_core.Content();
    content.SetBoardLanguage(code ? code : content.GetContentLanguage());
}

int CLumivoDoc::SetBoard(uint8_t moduleRow, uint8_t moduleColumn, uint8_t language, uint8_t lumivoRow,
                         uint8_t lumivoColumn)
{
    const bool ok = Report(m_core.SetBoard({moduleRow, moduleColumn, language, lumivoRow, lumivoColumn}));
    emit boardChanged();
    return ok ? 1 : 0;
}

int CLumivoDoc::SetProject(const QString& folder, const QString& name)
{
    const std::filesystem::path path = m_core.SetProject(folder.toStdString(), name.toStdString());
    QDir::setCurrent(folder);
    SetPathName(QString::fromStdString(path.string()));
    SetModifiedFlag(true);
    return 1;
}
