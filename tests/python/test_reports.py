"""ibis_checker's JSON and SARIF reports: their shape over files with mixed
verdicts, and the SARIF log validated against the SARIF 2.1.0 schema.

sarif-2.1.0-rtm.5.json beside this file is the OASIS SARIF 2.1.0 JSON schema
as the npm package @microsoft/jest-sarif 1.0.0-beta.0 (MIT) ships it in
lib/schemas/; the validator is the system's python3-jsonschema."""
import json
import os
import shutil
import subprocess
import tempfile
import unittest

import jsonschema

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.environ["IBIS_CHECKER"]
SHARED = os.environ.get("AMI_SHARED_DIR", "")
GOOD = ("[IBIS Ver] 4.2\n[File Name] {name}\n[File Rev] 1.0\n[Component] c\n[Manufacturer] m\n"
        "[Package]\nR_pkg 0.1 NA NA\nL_pkg 1n NA NA\nC_pkg 1p NA NA\n[Pin] signal_name model_name\n"
        "1 VDD POWER\n[End]\n")


def run(*args):
    p = subprocess.run([CHECKER, *args], capture_output=True)
    return p.returncode, p.stdout.decode("ascii")


class ReportTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(os.path.join(HERE, "sarif-2.1.0-rtm.5.json")) as f:
            cls.schema = json.load(f)
        cls.dir = tempfile.mkdtemp()
        cls.files = []
        # passed; failed at line 2; an odd name; not readable
        for name, inner in (("good.ibs", "good.ibs"), ("bad.ibs", "other.ibs"), ("sp ace\"q.ibs", None)):
            path = os.path.join(cls.dir, name)
            with open(path, "w") as f:
                f.write(GOOD.format(name=inner) if inner else "[IBIS Ver] 4.2\n\x01\n[End]\n")
            cls.files.append(path)
        cls.files.append(os.path.join(cls.dir, "missing.ibs"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_json_records_counts_and_verdicts(self):
        status, out = run("--format", "json", "--jobs", "3", *self.files)
        self.assertEqual(status, 2)
        doc = json.loads(out)
        self.assertEqual([f["file"] for f in doc["files"]], self.files)  # argument order
        self.assertEqual([f["status"] for f in doc["files"]], [0, 1, 1, 2])
        self.assertEqual([f["verdict"] for f in doc["files"]], ["Passed", "Failed", "Failed", "Failed"])
        self.assertEqual(doc["status"], 2)
        bad = doc["files"][1]["messages"]
        self.assertEqual(bad, [{"code": 1014, "severity": "error", "file": self.files[1], "line": 2,
                                "text": "File name opened 'bad.ibs' not the same as File_name 'other.ibs'."}])
        for f in doc["files"]:
            self.assertEqual(f["counts"]["errors"], sum(m["severity"] == "error" for m in f["messages"]))
            for m in f["messages"]:
                self.assertEqual(sorted(m), ["code", "file", "line", "severity", "text"])
                self.assertTrue(m["line"] is None or m["line"] >= 1)

    def test_sarif_is_valid_and_points_at_lines(self):
        status, out = run("--format", "sarif", *self.files)
        self.assertEqual(status, 2)
        log = json.loads(out)
        jsonschema.validate(log, self.schema)
        run0 = log["runs"][0]
        results = run0["results"]
        self.assertEqual(run0["invocations"][0]["exitCode"], 2)
        bad = [r for r in results if r.get("ruleId") == "E1014"]
        self.assertEqual(len(bad), 1)
        loc = bad[0]["locations"][0]["physicalLocation"]
        self.assertEqual(loc["region"]["startLine"], 2)
        self.assertEqual(loc["artifactLocation"]["uri"], "file://" + self.files[1])
        odd = [r for r in results if "sp%20ace%22q.ibs" in r["locations"][0]["physicalLocation"]
               ["artifactLocation"]["uri"]]
        self.assertTrue(odd)
        for r in results:
            self.assertIn(r["level"], ("error", "warning", "note"))
            if "ruleId" in r:
                self.assertEqual(run0["tool"]["driver"]["rules"][r["ruleIndex"]]["id"], r["ruleId"])

    @unittest.skipUnless(os.path.isdir(os.path.join(SHARED, "corpus")), "no corpus")
    def test_corpus_reports_are_valid_sarif_and_match_text_counts(self):
        corpus = os.path.join(SHARED, "corpus")
        status, out = run("--format", "sarif", "-caution", "--jobs", "2", corpus)
        log = json.loads(out)
        jsonschema.validate(log, self.schema)
        status_j, out_j = run("--format", "json", "-caution", "--jobs", "2", corpus)
        doc = json.loads(out_j)
        self.assertEqual(status, status_j)
        self.assertEqual(len(log["runs"][0]["results"]), sum(len(f["messages"]) for f in doc["files"]))
        for f in doc["files"][:6]:  # the totals of the text run of each file agree
            _, text = run("-caution", f["file"])
            self.assertIn("Errors  : %d\n" % f["counts"]["errors"], text, f["file"])


if __name__ == "__main__":
    unittest.main()
