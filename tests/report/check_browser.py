"""Drives report.html in Debian's chromium through chromium-driver and
python3-selenium, as a user would: a protein found by identifier and by gene
name shows its cluster, a column sorts the table, a row opens the cluster's
drawing, and the console stays free of errors. The expected answers come
from the report's own tables (nodes.tsv, clusters.tsv, pairs.tsv).

Usage: check_browser.py TRIVANEX_REPORT SOURCE_DIR; exit 77 (skip) without
chromium, chromedriver or selenium."""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

report, src = sys.argv[1], sys.argv[2]
chromium = shutil.which("chromium") or shutil.which("chromium-browser")
driver_path = shutil.which("chromedriver") or "/usr/bin/chromedriver"
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("SKIP: selenium is not importable by /usr/bin/python3 (apt-get install python3-selenium)")
    sys.exit(77)
if not chromium or not os.access(driver_path, os.X_OK):
    print("SKIP: chromium or chromedriver is not installed (apt-get install chromium chromium-driver)")
    sys.exit(77)

scratch = tempfile.mkdtemp()
fails = []


def check(what, got, want):
    if got != want:
        fails.append(f"{what}: {got!r}, expected {want!r}")


try:
    shutil.copytree(os.path.join(src, "tests/data/report/input"), scratch, dirs_exist_ok=True)
    subprocess.run([report, "--names", "names.tsv", "--fasta", "hs=hs.fasta.gz", "--scores", "match-score.txt",
                    "--groups", "groups.fo", "data.in", "clusters.txt", "--out", "rep"],
                   cwd=scratch, check=True, stdout=subprocess.DEVNULL)
    rep = os.path.join(scratch, "rep")

    def table(name):
        with open(os.path.join(rep, name)) as f:
            return list(csv.DictReader(f, delimiter="\t"))

    nodes = {n["protein"]: n for n in table("nodes.tsv")}
    clusters = {}
    for row in table("clusters.tsv"):
        clusters.setdefault(row["cluster_id"], row)
    pairs = table("pairs.tsv")

    options = Options()
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--window-size=1200,1600", "--no-first-run",
                 "--user-data-dir=" + os.path.join(scratch, "profile")]:
        options.add_argument(flag)
    options.binary_location = chromium
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    browser = webdriver.Chrome(service=Service(driver_path), options=options)
    try:
        browser.get("file://" + os.path.join(rep, "report.html"))
        wait = WebDriverWait(browser, 10)
        wait.until(lambda b: b.find_element(By.ID, "explore").get_attribute("data-ready") == "1")
        box = browser.find_element(By.CSS_SELECTOR, "input[type=search]")

        def find(text):
            box.clear()
            box.send_keys(text)
            wait.until(lambda b: b.find_element(By.ID, "search-hits").get_attribute("data-query") == text)

        def shown_cluster():
            return wait.until(lambda b: b.find_element(By.ID, "detail-title")).text

        # By identifier: the cluster nodes.tsv gives it, with the partners of pairs.tsv.
        find("s3")
        check("cluster of s3", shown_cluster(), "Cluster " + nodes["s3"]["cluster_id"])
        partner_rows = browser.find_elements(By.CSS_SELECTOR, "#detail-partners tr")[1:]
        got = {tuple(td.text for td in row.find_elements(By.TAG_NAME, "td"))[0:4:3] for row in partner_rows}
        want = {(p["protein2"] if p["protein1"] == "s3" else p["protein1"], f"{float(p['match_score']):.4f}")
                for p in pairs if "s3" in (p["protein1"], p["protein2"])}
        check("partners of s3 with match scores", got, want)

        # By gene name from the FASTA headers (any case), and from the names file.
        for name, protein in [("actb", "h4"), ("CDC28", "s1")]:
            find(name)
            check("cluster of " + name, shown_cluster(), "Cluster " + nodes[protein]["cluster_id"])
            names = [td.text for td in browser.find_elements(By.CSS_SELECTOR, "#detail-members td:nth-child(2)")]
            check(name + " among the members' names", name.upper() in [n.upper() for n in names], True)
        find("no-such-protein")
        check("a search without a match", browser.find_element(By.ID, "search-hits").text,
              "No protein matches \u201cno-such-protein\u201d.")

        # Sorting by the mean match score: highest first, then lowest first.
        def first_row():
            return browser.find_element(By.CSS_SELECTOR, "#cluster-rows tr").get_attribute("data-cluster")

        by_mean = sorted(clusters.values(), key=lambda c: float(c["mean_match_score"]))
        browser.find_element(By.CSS_SELECTOR, "th[data-col=mean]").click()
        check("first row, mean descending", first_row(), by_mean[-1]["cluster_id"])
        browser.find_element(By.CSS_SELECTOR, "th[data-col=mean]").click()
        check("first row, mean ascending", first_row(), by_mean[0]["cluster_id"])

        # A row opens the cluster's drawing: a dot per member, a line per interaction among them.
        busiest = max(clusters.values(), key=lambda c: int(c["interactions"]))
        browser.find_element(By.CSS_SELECTOR, "th[data-col=inter]").click()
        browser.find_element(By.CSS_SELECTOR, f"#cluster-rows tr[data-cluster='{busiest['cluster_id']}']").click()
        check("drawn cluster", shown_cluster(), "Cluster " + busiest["cluster_id"])
        check("dots", len(browser.find_elements(By.CSS_SELECTOR, "#detail-drawing circle")), int(busiest["size"]))
        check("lines", len(browser.find_elements(By.CSS_SELECTOR, "#detail-drawing line.interaction")),
              int(busiest["interactions"]))
        check("lines drawn", int(busiest["interactions"]) > 0, True)

        errors = [e["message"] for e in browser.get_log("browser") if e["level"] == "SEVERE"]
        check("console errors", errors, [])
        version = browser.capabilities.get("browserVersion", "?")
    finally:
        browser.quit()
finally:
    shutil.rmtree(scratch, ignore_errors=True)

if fails:
    print("FAIL:\n  " + "\n  ".join(fails))
    sys.exit(1)
print(f"report.html in the browser: OK (chromium {version} through chromedriver)")
