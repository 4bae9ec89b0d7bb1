"""System services through the real executable: hashes, per-user values and the browser launch
as level scripts call them, with the value store in a private XDG_DATA_HOME."""
import os
import shutil
import stat
import tempfile
import time
import unittest

from harness import GameTest

ABC = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"
EMPTY = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"
DIGEST_123 = "a665a45920422f9d417e4867efdc4fb8a04a1f3fff1fa07e998e86f7f7a27ae3"

LEVEL = r"""
dofile("../Resource/Levels/check.lua")
CreateSceneNode("", "LevelRoot")
CreateSceneNode("LevelRoot", "_FollowCamera1")
CreateSceneNode("LevelRoot", "look_at_node")

check_equal("hash abc", GetHash("abc", 3), "%(abc)s")
check_equal("hash length 0", GetHash("abc", 0), "%(empty)s")
check_equal("hash length past the text", GetHash("abc", 1000), "%(abc)s")
check_equal("hash negative length", GetHash("abc", -5), "%(empty)s")
check_equal("hash of a number", GetHash(123, 3), "%(d123)s")
check_equal("hash without arguments", GetHash(), "%(empty)s")
local token = GetRandomHash()
check("random hash is 64 hex digits", string.len(token) == 64 and string.find(token, "^[0-9a-f]+$"), token)

local key = "Software\\Tarnel Quibbo"
check_equal("never written", ReadReg(key, "Never"), -9999)
WriteReg(key, "Lowest", -2147483648)
WriteReg(key, "Highest", 2147483647)
WriteReg(key, "Wrapped", 4294967295)
WriteReg(key, "name=with\nbreak", 5.9)
check_equal("lowest", ReadReg(key, "Lowest"), -2147483648)
check_equal("highest", ReadReg(key, "Highest"), 2147483647)
check_equal("wrapped to 32 bits", ReadReg(key, "Wrapped"), -1)
check_equal("escaped name, truncated value", ReadReg(key, "name=with\nbreak"), 5)
check_equal("written by another process", ReadReg("Seeded", "Score"), 77)

check_equal("download failure is a text", GetUrl("no/such/file.txt", ""), "ERROR - cant open URL")
StartWebBrowser("http://127.0.0.1/page?a=1&b=$(x); 'q'")
ShutDown()
""" % {"abc": ABC, "empty": EMPTY, "d123": DIGEST_123}

OPENER = """#!/bin/sh
printf '%s' "$1" > "$(dirname "$0")/opened.tmp" && mv "$(dirname "$0")/opened.tmp" "$(dirname "$0")/opened"
"""


class ServicesTest(GameTest):
    def setUp(self):
        super().setUp()
        self.data = tempfile.mkdtemp(prefix="tq_e2e_data_")
        self.tools = tempfile.mkdtemp(prefix="tq_e2e_bin_")

    def tearDown(self):
        shutil.rmtree(self.data, ignore_errors=True)
        shutil.rmtree(self.tools, ignore_errors=True)
        super().tearDown()

    def test_hashes_values_and_browser_from_a_level(self):
        store = os.path.join(self.data, "tarnel-quibbo")
        os.makedirs(store)
        with open(os.path.join(store, "values.txt"), "w") as f:
            f.write("[Seeded]\nScore=77\n")
        opener = os.path.join(self.tools, "xdg-open")
        with open(opener, "w") as f:
            f.write(OPENER)
        os.chmod(opener, stat.S_IRWXU)

        self.game.level("test.lua", LEVEL)
        result = self.run_game(env={"XDG_DATA_HOME": self.data,
                                    "PATH": self.tools + os.pathsep + os.environ["PATH"]})
        self.assertPasses(result, "hash abc", "hash length past the text", "hash negative length",
                          "random hash is 64 hex digits", "never written", "lowest", "highest",
                          "wrapped to 32 bits", "escaped name, truncated value",
                          "written by another process", "download failure is a text")

        with open(os.path.join(store, "values.txt")) as f:
            text = f.read()
        self.assertIn("\n[Software\\Tarnel Quibbo]\n", text)
        self.assertIn("\nHighest=2147483647\n", text)
        self.assertIn("\nLowest=-2147483648\n", text)
        self.assertIn("\n[Seeded]\nScore=77\n", text)

        opened = os.path.join(self.tools, "opened")
        deadline = time.time() + 10
        while not os.path.exists(opened) and time.time() < deadline:
            time.sleep(0.05)
        with open(opened) as f:
            self.assertEqual(f.read(), "http://127.0.0.1/page?a=1&b=$(x); 'q'")


if __name__ == "__main__":
    unittest.main()
