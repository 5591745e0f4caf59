#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
# The agent's web page in headless Chromium: log in with the token, see the
# mirror change as the board plays, clear and tick a Uses box and find the
# board following, send a notification from the form and find it on the
# simulated board. A screenshot is left in the build tree.
#   web_page_test.py AGENT SCREENSHOT
import json, os, re, shutil, subprocess, sys, tempfile, time, urllib.request

agent, screenshot = sys.argv[1], sys.argv[2]
if not shutil.which("chromedriver") or not shutil.which("chromium"):
    print("chromium or chromedriver absent: skipped"); sys.exit(77)
try:
    from selenium import webdriver
    from selenium.webdriver.common.by import By
    from selenium.common.exceptions import StaleElementReferenceException
except ImportError:
    print("python3-selenium absent: skipped"); sys.exit(77)

work = tempfile.mkdtemp(prefix="lumivo-web-")
log = open(os.path.join(work, "agent.log"), "w+")
proc = subprocess.Popen([agent, "--state-dir", os.path.join(work, "state"), "--listen", "127.0.0.1:0",
                         "--check-seconds", "5"], stderr=log)
driver = None
try:
    port = None
    for _ in range(300):
        m = re.search(r"listening on 127\.0\.0\.1:(\d+)", open(log.name).read())
        if m:
            port = int(m.group(1)); break
        time.sleep(0.02)
    assert port, open(log.name).read()
    base = "http://127.0.0.1:%d" % port
    token = open(os.path.join(work, "state", "token")).read().strip()

    def call(method, path, body=None, kind="application/json"):
        req = urllib.request.Request(base + path, data=body, method=method,
                                     headers={"Authorization": "Bearer " + token, "Content-Type": kind})
        with urllib.request.urlopen(req, timeout=20) as r:
            return json.loads(r.read() or b"null")

    source = os.environ.get("LUMIVO_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", "..", ".."))
    call("PUT", "/api/v1/project", open(os.path.join(source, "examples", "welcome.qvndoc"), "rb").read(),
         "application/octet-stream")

    options = webdriver.ChromeOptions()
    for a in ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
              "--disable-component-update", "--disable-sync", "--user-data-dir=" + os.path.join(work, "profile"),
              "--window-size=390,844"]:  # a phone's screen
        options.add_argument(a)
    options.binary_location = shutil.which("chromium")
    from selenium.webdriver.chrome.service import Service
    driver = webdriver.Chrome(service=Service(executable_path=shutil.which("chromedriver")),
                              options=options)
    driver.set_page_load_timeout(30)
    driver.get(base + "/")
    driver.find_element(By.ID, "token").send_keys(token)
    driver.find_element(By.ID, "loginButton").click()

    def wait(what, pred, seconds=15):
        until = time.time() + seconds
        while time.time() < until:
            try:
                v = pred()
            except StaleElementReferenceException:  # redrawn under us: look again
                v = None
            if v:
                return v
            time.sleep(0.1)
        raise AssertionError("timed out: " + what)

    mirror = driver.find_element(By.ID, "mirror")
    first = wait("a mirror frame", lambda: mirror.get_attribute("data-etag"))
    wait("the mirror to change as the board plays", lambda: mirror.get_attribute("data-etag") not in (None, "", first))
    assert driver.execute_script("return sessionStorage.getItem('lumivo-token')") == token
    wait("the status", lambda: "ok" in driver.find_element(By.ID, "link").text)

    # A Uses box cleared, then ticked again: one request each, the board
    # sent and read back, the box as the agent now holds it.
    def click_box(ad):
        for _ in range(50):  # the list is redrawn every second
            try:
                box = driver.find_element(By.CSS_SELECTOR, "#ads input[data-ad='%d']" % ad)
                box.click()
                return
            except StaleElementReferenceException:
                time.sleep(0.05)
        raise AssertionError("no box for Ad %d" % ad)
    for ticked in (False, True):
        click_box(2)
        wait("the Uses box's answer", lambda: "verified" in driver.find_element(By.ID, "usesResult").text, 30)
        state = call("GET", "/api/v1/state")
        assert (2 in state["uses"]) == ticked and (2 in state["pages"]) == ticked, state
        assert len(state["uses"]) == (10 if ticked else 9) and state["verified"] == state["applied"], state
        wait("the box to follow", lambda: driver.find_element(
            By.CSS_SELECTOR, "#ads input[data-ad='2']").is_selected() == ticked)

    driver.find_element(By.ID, "text").send_keys("Table 4 is ready")
    driver.find_element(By.ID, "duration").clear()
    driver.find_element(By.ID, "duration").send_keys("30")
    driver.find_element(By.ID, "send").click()
    wait("the form's answer", lambda: "on the board" in driver.find_element(By.ID, "notifyResult").text)
    state = wait("the notification on the board",
                 lambda: (lambda s: s if s["notification"] and s["verified"] == s["applied"] else None)(
                     call("GET", "/api/v1/state")))
    assert state["notification"]["text"] == "Table 4 is ready", state
    # The simulated board holds it: one Ad used, with the text's characters.
    blob = open(os.path.join(work, "state", "simulated-board", "ads.bin"), "rb").read()
    assert len(blob) > 0
    wait("the mirror to show it", lambda: "Notification: Table 4" in driver.find_element(By.ID, "showing").text)
    os.makedirs(os.path.dirname(screenshot), exist_ok=True)
    driver.execute_script("window.scrollTo(0, 0)")
    driver.save_screenshot(screenshot)
    # Nothing wider than the window: no sideways scrolling on a phone.
    width, inner = driver.execute_script("return [document.documentElement.scrollWidth, window.innerWidth]")
    assert width <= inner, "the page is %d px wide in a window of %d px" % (width, inner)
    print("web page: logged in, mirror changed, notification on the board; screenshot", screenshot)
finally:
    if driver:
        driver.quit()
    proc.terminate()
    proc.wait(10)
    shutil.rmtree(work, ignore_errors=True)
