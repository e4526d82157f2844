"""The Python module over the checker's call API: findings as records, the
verdict, texts from memory, several threads, and a corpus file."""
import os
import shutil
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "python"))
import ibischeck  # noqa: E402

GOOD = ("[IBIS Ver] 4.2\n[File Name] {name}\n[File Rev] 1.0\n[Component] c\n[Manufacturer] m\n"
        "[Package]\nR_pkg 0.1 NA NA\nL_pkg 1n NA NA\nC_pkg 1p NA NA\n[Pin] signal_name model_name\n"
        "1 VDD POWER\n[End]\n")
SHARED = os.environ.get("AMI_SHARED_DIR", "")


@unittest.skipIf(os.environ.get("AMI_SANITIZED"), "a sanitized library cannot be loaded into python3")
class CallApiTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def test_findings_and_verdicts(self):
        # (file name, [File Name] written, status, expected (code, severity, line) records)
        cases = [("good.ibs", "good.ibs", ibischeck.PASSED, []),
                 ("bad.ibs", "other.ibs", ibischeck.FAILED, [(1014, "error", 2)]),
                 ("missing.ibs", None, ibischeck.UNREADABLE, [(1905, "error", None), (900, "error", None)])]
        for name, inner, status, expected in cases:
            path = self.write(name, GOOD.format(name=inner)) if inner else os.path.join(self.dir, name)
            r = ibischeck.check(path)
            self.assertEqual(r.status, status, (name, list(r)))
            self.assertEqual([(f.code, f.severity, f.line) for f in r], expected, name)
            self.assertEqual(r.counts["errors"], len(expected), name)
            self.assertEqual(r.verdict, "Passed" if status == 0 else "Failed")
            for f in r:
                self.assertEqual(f.file, path)
                self.assertTrue(f.text)

    def test_text_from_memory_is_named_as_given(self):
        r = ibischeck.check_text(GOOD.format(name="mem.ibs"), "mem.ibs")
        self.assertTrue(r.passed, list(r))
        r = ibischeck.check_text(GOOD.format(name="x.ibs"), "mem.ibs")
        self.assertEqual([(f.code, f.file, f.line) for f in r], [(1014, "mem.ibs", 2)])
        with self.assertRaises(ValueError):
            ibischeck.check_text("x", "a/b.ibs")
        with self.assertRaises(ValueError):
            ibischeck.check_text("x", "b.ibs", type="txt")

    def test_each_call_is_counted_alone_from_several_threads(self):
        good = self.write("good.ibs", GOOD.format(name="good.ibs"))
        bad = self.write("bad.ibs", GOOD.format(name="other.ibs"))
        want = {good: (0, 0), bad: (1, 1)}
        seen, errors = [], []

        def work(path):
            for _ in range(25):
                r = ibischeck.check(path)
                seen.append(path)
                if (r.status, r.counts["errors"]) != want[path]:
                    errors.append((path, r.status, r.counts))

        threads = [threading.Thread(target=work, args=(p,)) for p in (good, bad, good, bad)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(errors, [])
        self.assertEqual(len(seen), 100)

    @unittest.skipUnless(os.path.isdir(os.path.join(SHARED, "corpus")), "no corpus")
    def test_corpus_board_by_its_extension_and_each_ami_file_once(self):
        # Every corpus file under its original name, so the board finds the
        # .ibs files it names beside it.
        board = None
        with open(os.path.join(SHARED, "corpus", "MANIFEST.tsv")) as m:
            for row in m.read().splitlines()[1:]:
                cols = row.split("\t")
                path = os.path.join(self.dir, os.path.basename(cols[2]))
                shutil.copy(os.path.join(SHARED, "corpus", cols[0]), path)
                if path.endswith(".ebd"):
                    board = path
        self.assertIsNotNone(board)
        r = ibischeck.check(board)
        self.assertEqual(r.status, ibischeck.PASSED, list(r)[:5])
        codes = [f.code for f in r]
        self.assertNotIn(1900, codes)  # not read as an .ibs file
        self.assertNotIn(900, codes)
        self.assertGreater(r.counts["warnings"], 0)
        # Findings of the .ibs files the board names carry those files' names.
        nested = {os.path.basename(f.file) for f in r if f.line} - {os.path.basename(board)}
        self.assertIn("u49a.ibs", nested)
        # example_tx.ibs names example_tx.ami (read under its AMI_Version
        # 5.1: no finding) on four Executable lines: no finding repeats.
        r = ibischeck.check(os.path.join(self.dir, "example_tx.ibs"))
        found = [(f.code, f.file, f.line, f.text) for f in r]
        self.assertGreater(len(found), 0)
        self.assertEqual(len(set(found)), len(found), found)
        self.assertEqual([f for f in found if f[1].endswith("example_tx.ami")], [])

if __name__ == "__main__":
    unittest.main()
