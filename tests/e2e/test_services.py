"""System services as level scripts call them, through the real executable: hashes, per-user
values in the run's own XDG_DATA_HOME, a download that fails and the browser launch. The services
themselves are the unit tier's; here each call must reach its service with its arguments."""
import os
import stat
import time
import unittest

from harness import GameTest, read_text

LEVEL = r"""
dofile("../Resource/Levels/check.lua")
CreateSceneNode("", "LevelRoot")
check_equal("hash of a number, length past the text", GetHash(123, 1000),
            "a665a45920422f9d417e4867efdc4fb8a04a1f3fff1fa07e998e86f7f7a27ae3")
local token = GetRandomHash()
check("random hash is 64 hex digits", string.len(token) == 64 and string.find(token, "^%x+$"), token)
WriteReg("Software\\Tarnel Quibbo", "Wrapped", 4294967295)
WriteReg("Software\\Tarnel Quibbo", "Truncated", -5.9)
check_equal("wrapped to 32 bits", ReadReg("Software\\Tarnel Quibbo", "Wrapped"), -1)
check_equal("truncated toward zero", ReadReg("Software\\Tarnel Quibbo", "Truncated"), -5)
check_equal("written by another process", ReadReg("Seeded", "Score"), 77)
check_equal("download failure is a text", GetUrl("no/such/file.txt", ""), "ERROR - cant open URL")
StartWebBrowser("http://127.0.0.1/page?a=1&b=$(x); 'q'")
ShutDown()
"""

# Stands in for xdg-open: leaves the one argument it got in a file beside itself.
OPENER = """#!/bin/sh
printf '%s' "$1" > "$(dirname "$0")/opened.tmp" && mv "$(dirname "$0")/opened.tmp" "$(dirname "$0")/opened"
"""


class ServicesTest(GameTest):
    def test_hashes_values_download_and_browser_from_a_level(self):
        store = os.path.join(self.game.root, "data", "tarnel-quibbo")
        tools = os.path.join(self.game.root, "tools")
        os.makedirs(store)
        os.makedirs(tools)
        with open(os.path.join(store, "values.txt"), "w") as f:
            f.write("[Seeded]\nScore=77\n")
        with open(os.path.join(tools, "xdg-open"), "w") as f:
            f.write(OPENER)
        os.chmod(os.path.join(tools, "xdg-open"), stat.S_IRWXU)
        self.game.level("test.lua", LEVEL)
        result = self.run_game(env={"PATH": tools + os.pathsep + os.environ["PATH"]})
        self.assertPasses(result, 6)
        values = read_text(os.path.join(store, "values.txt"))
        self.assertIn("\n[Software\\Tarnel Quibbo]\n", values)
        self.assertIn("\nWrapped=-1\n", values)
        opened = os.path.join(tools, "opened")
        deadline = time.time() + 10
        while not os.path.exists(opened) and time.time() < deadline:
            time.sleep(0.05)
        self.assertEqual(read_text(opened), "http://127.0.0.1/page?a=1&b=$(x); 'q'")


if __name__ == "__main__":
    unittest.main()
