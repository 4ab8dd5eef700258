#!/usr/bin/python3
"""corvan-run's report and corvan-report's summary in a real browser
(headless Chromium driven through Selenium), each loaded from a file://
address with the network cut.

    browser_test.py run|summary|explore BUILD_DIR SOURCE_DIR WORK_DIR [SCREENSHOT.png]

WORK_DIR is emptied first.

run:     a failing lock-step run's page: no request leaves, no console error,
         a lane per expected signal, each failure marker at its turn's x,
         a click on a failed statement brings its marker into view, and a
         screenshot of the page that is not blank.
summary: the class summary of three runs sorts by a column and leads to a
         run's report.
explore: the page of an exploration: the seed, the runs, the minimal
         scenario and its own diagram.
"""
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.common.by import By

MODE, BUILD, SOURCE, WORK = sys.argv[1:5]
SCREENSHOT = sys.argv[5] if len(sys.argv) > 5 else os.path.join(WORK, "report-screenshot.png")
RUNNER = os.path.join(BUILD, "runner/corvan-run")
SUMMARY = os.path.join(BUILD, "report/corvan-report")
BREAKER = os.path.join(BUILD, "tests/runner/property_breaker")
# The work folder is the test's own: emptied first, left for a look after.
shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
PROBE = os.path.join(BUILD, "tests/tools/test_controller")

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(argv, expected_status, cwd=None):
    p = subprocess.run(argv, capture_output=True, text=True, timeout=120, cwd=cwd)
    check(p.returncode == expected_status,
          "%s exited %d, not %d\n%s%s" % (argv[0], p.returncode, expected_status, p.stdout, p.stderr))
    return p


def write(path, text):
    with open(path, "w") as f:
        f.write(text)
    return path


# A failing run: SORT and RENT together in one turn, a within whose target
# never comes, a fault holding vh.
SCENARIO = """at 0.5 press INIT for 0.5
at 0.8 fault vh = 1 for 0.2
end 1
never SORT and RENT
expect "TRANSFERT" within 0.1 after rise(RENT)
expect not vh within 0.05 after rise(vh)
expect never " DESTRUCTION"
"""


def corvan_run(controller, name, extra=(), status=1):
    """A lock-step run made from the build folder, as a user names files:
    relative paths (the README's picture comes from such a run)."""
    scenario = write(os.path.join(WORK, "run.scn"), SCENARIO)
    page, result = os.path.join(WORK, name + ".html"), os.path.join(WORK, name + ".json")
    seen = [os.path.relpath(controller[0], BUILD)] + controller[1:]
    p = run([RUNNER, "--lockstep", "--scenario", os.path.relpath(scenario, BUILD), "--messages", os.devnull,
             "--report", os.path.relpath(page, BUILD), "--json", os.path.relpath(result, BUILD)] + list(extra) +
            ["--"] + seen, status, cwd=BUILD)
    return page, result, p


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for a in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
              "--disable-background-networking", "--disable-component-update", "--disable-sync",
              "--disable-dev-shm-usage", "--window-size=1280,1200",
              "--user-data-dir=" + tempfile.mkdtemp(dir=WORK)]:
        options.add_argument(a)
    options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.emulateNetworkConditions",
                           {"offline": True, "latency": 0, "downloadThroughput": 0, "uploadThroughput": 0})
    return driver


def load(driver, path):
    """The page from its file, with every request it made checked."""
    driver.get_log("performance")  # what came before is not this page's
    driver.get("file://" + os.path.abspath(path))
    driver.execute_script("return document.readyState")
    requests = [json.loads(e["message"])["message"] for e in driver.get_log("performance")]
    urls = [m["params"]["request"]["url"] for m in requests if m["method"] == "Network.requestWillBeSent"]
    check(urls, "the browser saw no request at all for " + path)
    outside = [u for u in urls if not u.startswith("file://") and not u.startswith("data:")]
    check(not outside, "requests beyond the file: %s" % outside)
    errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    check(not errors, "console errors: %s" % errors)


def png_pixels(path):
    """Width, height and the rows of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    check(data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG: " + path)
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, color = header[:4]
    channels = {2: 3, 6: 4}[color]
    assert depth == 8
    raw, stride, rows, previous = zlib.decompress(idat), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up, corner = previous[i], previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(line)
        previous = line
    return width, height, channels, rows


def test_run():
    # A report that cannot be written is known before anything runs.
    for option in ("--report", "--json"):
        p = run([RUNNER, "--lockstep", "--scenario", write(os.path.join(WORK, "run.scn"), SCENARIO), option,
                 os.path.join(WORK, "no/such/folder/r"), "--", BREAKER, "both-ways", "101"], 2)
        check("cannot write" in p.stderr and "breaker:" not in p.stderr, option + ": " + p.stderr)
    page, result, p = corvan_run([BREAKER, "both-ways", "101"], "failing", ["--report-signals", "te"])
    said = re.search(r"breaker: SORT and RENT in turn (\d+)", p.stderr)
    check(said, "the breaker did not say its turn: " + p.stderr)
    # The simulator counts turns from 1, the runner from 0.
    both_ways_turn = int(said.group(1)) - 1
    verdict = json.load(open(result))
    statements = verdict["statements"]
    check([s["status"] for s in statements] == ["fail", "fail", "fail", "pass"], "statuses %s" % statements)
    check(statements[0]["counter_example"]["turn"] == both_ways_turn, "turn of the first failure")
    check(statements[1]["counter_example"]["trigger_turn"] == both_ways_turn, "trigger of the within")
    check(verdict["files"] == {"report": "failing.html", "json": "failing.json", "messages": os.devnull},
          "files %s" % verdict["files"])

    driver = browser()
    try:
        load(driver, page)
        svg = driver.find_element(By.CSS_SELECTOR, "svg.timing#run")
        lanes = driver.execute_script(
            "return Array.from(arguments[0].querySelectorAll('path.wave')).map(p => p.dataset.signal)", svg)
        check(lanes == ["te", "vh", "RENT", "SORT"], "lanes %s" % lanes)

        def view():
            return driver.execute_script("""
              const svg = arguments[0], m = svg.getScreenCTM();
              return {x0: +svg.dataset.x0, width: +svg.dataset.width, start: +svg.dataset.viewStart,
                      span: +svg.dataset.viewSpan, a: m.a, e: m.e};""", svg)

        def marker_x(marker_id):
            """The marker's x in the SVG's units, read back from where it is drawn."""
            return driver.execute_script("""
              const r = document.getElementById(arguments[0]).getBoundingClientRect(), m = arguments[1].getScreenCTM();
              return (r.left + r.width / 2 - m.e) / m.a;""", marker_id, svg)

        def x_of(turn, v):
            return v["x0"] + (turn - v["start"]) * v["width"] / v["span"]

        v = view()
        failed = [(i, s) for i, s in enumerate(statements) if s["status"] == "fail"]
        for i, s in failed:
            turn = s["counter_example"]["turn"]
            x = marker_x("run-fail-%d" % i)
            check(abs(x - x_of(turn, v)) < 0.75, "marker of line %d at x %.2f, its turn %d at %.2f"
                  % (s["line"], x, turn, x_of(turn, v)))
        # The axis agrees: 0.5 s is where the both-ways marker is.
        tick = driver.execute_script("""
          const t = Array.from(arguments[0].querySelectorAll('.tick-label')).find(t => t.textContent == '0.5 s');
          const m = arguments[0].getScreenCTM();
          return t ? (t.getBoundingClientRect().left - m.e) / m.a - 2 : null;""", svg)
        check(tick is not None and abs(tick - marker_x("run-fail-0")) < 1.5, "the 0.5 s tick at %s" % tick)

        # The window when the first statement failed, and at the end.
        captions = [c.text for c in driver.find_elements(By.CSS_SELECTOR, ".pictures figcaption")]
        check(captions == ["the first failure, turn %d (0.5 s)" % both_ways_turn, "the end of the run, turn 200 (1 s)"],
              "pictures %s" % captions)
        shown = driver.execute_script(
            "return Array.from(document.querySelectorAll('.pictures img')).map(i => [i.naturalWidth, i.naturalHeight])")
        check(len(shown) == 2 and all(w > 400 and h > 300 for w, h in shown), "the pictures show as %s" % shown)

        driver.save_screenshot(SCREENSHOT)
        width, height, channels, rows = png_pixels(SCREENSHOT)
        check((width, height) == tuple(driver.execute_script("return [innerWidth, innerHeight]")),
              "screenshot of %dx%d" % (width, height))
        colours = set()
        red = 0
        for row in rows[::4]:
            for i in range(0, len(row), channels * 4):
                pixel = bytes(row[i:i + 3])
                colours.add(pixel)
                red += pixel[0] > 180 and pixel[1] < 60 and pixel[2] < 80
        check(len(colours) > 40, "a blank screenshot: %d colours" % len(colours))
        check(red > 500, "the failure's red is not on the screenshot (%d pixels)" % red)

        # Zoomed in near the start, the last failure is out of view...
        plot = driver.find_element(By.CSS_SELECTOR, "svg.timing#run .back")
        driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", svg)
        for _ in range(12):
            ActionChains(driver).scroll_from_origin(ScrollOrigin.from_element(plot, -400, 0), 0, -120).perform()
        v = view()
        last, s = failed[-1]
        check(v["span"] < 40, "the wheel did not zoom: %s" % v)
        outside = marker_x("run-fail-%d" % last)
        check(not v["x0"] <= outside <= v["x0"] + v["width"], "marker still in view when zoomed away")
        # ...and a click on its statement brings it back, on the screen.
        driver.execute_script("window.scrollTo(0, 0)")
        driver.find_element(By.CSS_SELECTOR, "tr[data-marker='run-fail-%d']" % last).click()
        v = view()
        x = marker_x("run-fail-%d" % last)
        check(v["x0"] <= x <= v["x0"] + v["width"], "marker at %.1f out of the plot after the click" % x)
        check(abs(x - x_of(s["counter_example"]["turn"], v)) < 0.75, "marker off its turn once zoomed")
        on_screen = driver.execute_script("""
          const r = document.getElementById(arguments[0]).getBoundingClientRect();
          return r.top >= 0 && r.bottom <= innerHeight && r.left >= 0 && r.right <= innerWidth;""",
                                          "run-fail-%d" % last)
        check(on_screen, "the marker is not on the screen after the click")
        check("selected" in driver.find_element(By.ID, "run-fail-%d" % last).get_attribute("class"),
              "the marker is not shown as selected")
    finally:
        driver.quit()


def test_summary():
    runs = [corvan_run([BREAKER, "both-ways", "101"], "late"),
            corvan_run([BREAKER, "both-ways", "41"], "early"),
            corvan_run([PROBE], "idle")]
    broken = write(os.path.join(WORK, "broken.json"), "{ not json")
    page = os.path.join(WORK, "class.html")
    p = run([SUMMARY, page] + [r[1] for r in runs] + [broken], 2)
    check("broken.json" in p.stderr, "the unreadable file is not named: " + p.stderr)
    failed_counts = [json.load(open(r[1]))["counts"]["failed"] for r in runs]
    check(failed_counts == [3, 3, 1], "failed counts %s" % failed_counts)

    driver = browser()
    try:
        load(driver, page)

        def column(index):
            return driver.execute_script("""
              return Array.from(document.querySelectorAll('table.summary tbody tr'))
                .map(r => r.cells[arguments[0]].textContent.trim());""", index)

        check(len(column(0)) == 4, "rows %s" % column(0))
        heads = driver.find_elements(By.CSS_SELECTOR, "table.summary thead th")
        heads[3].click()  # Failed
        check(column(3) == ["", "1", "3", "3"], "sorted by failures: %s" % column(3))
        heads[3].click()
        check(column(3) == ["3", "3", "1", ""], "sorted the other way: %s" % column(3))
        heads[0].click()
        names = column(0)
        check(names == sorted(names, key=str.lower) or names == sorted(names), "sorted by name: %s" % names)
        # The failed cell of a run leads to the marker in its report.
        link = driver.find_element(By.XPATH, "//tr[td[contains(., 'both-ways 41')]]/td[6]/a")
        check(link.text == "fail", "the first statement's cell: " + link.text)
        link.click()
        check(driver.current_url.endswith("early.html#run-fail-0"), "the link led to " + driver.current_url)
        check(driver.find_elements(By.ID, "run-fail-0"), "no marker in the linked report")
    finally:
        driver.quit()


def test_explore():
    scenario = os.path.join(SOURCE, "examples/scenarios/explore_operator.scn")
    minimal, page, result = (os.path.join(WORK, n) for n in ("min.scn", "explore.html", "explore.json"))
    env = dict(os.environ, TMPDIR=WORK)
    p = subprocess.run([RUNNER, "--explore", "--runs", "20", "--seed", "1", "--jobs", "2", "--scenario", scenario,
                        "--minimal", minimal, "--report", page, "--json", result, "--",
                        os.path.join(BUILD, "tests/runner/faulty_press_after_stop")],
                       capture_output=True, text=True, timeout=120, env=env)
    check(p.returncode == 1, "exploration exited %d\n%s%s" % (p.returncode, p.stdout, p.stderr))
    check(not [f for f in os.listdir(WORK) if f.startswith("corvan-run-minimal")], "the worker's file is left")
    verdict = json.load(open(result))
    explored = verdict["exploration"]
    check(explored["seed"] == 1 and explored["runs"] == 20, "exploration %s" % explored)
    check(explored["minimal_text"] == open(minimal).read(), "the minimal text is not the file's")
    minimal_run = explored["minimal_run"]
    check(minimal_run["verdict"] == "FAILED", "the minimal run: " + minimal_run["verdict"])

    driver = browser()
    try:
        load(driver, page)
        facts = driver.find_element(By.ID, "the-run").text
        check("Seed 1" in facts and "of 20" in facts, "facts: " + facts)
        shown = driver.find_element(By.CSS_SELECTOR, "#exploration pre").text
        check(shown.strip() == open(minimal).read().strip(), "the page's minimal scenario: " + shown)
        svg = driver.find_element(By.CSS_SELECTOR, "svg.timing#minimal")
        lanes = driver.execute_script(
            "return Array.from(arguments[0].querySelectorAll('path.wave')).map(p => p.dataset.signal)", svg)
        check(lanes == ["p3ok", "DESP"], "the minimal run's lanes %s" % lanes)
        turn = minimal_run["statements"][0]["counter_example"]["turn"]
        marker = driver.find_element(By.ID, "minimal-fail-0")
        check(marker.get_attribute("data-turn") == str(turn), "the minimal run's marker")
        pictures = driver.find_elements(By.CSS_SELECTOR, "#exploration img[src^='data:image/png;base64,']")
        check(len(pictures) == 2, "%d pictures of the minimal run" % len(pictures))
        check(all(driver.execute_script("return arguments[0].naturalWidth", i) > 0 for i in pictures),
              "a picture that does not show")
    finally:
        driver.quit()


{"run": test_run, "summary": test_summary, "explore": test_explore}[MODE]()
print("%s: %s" % (MODE, "%d failed checks" % len(failures) if failures else "every check held"))
sys.exit(1 if failures else 0)
