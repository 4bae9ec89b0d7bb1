"""Sound as a player hears it: the real executable plays into OpenAL Soft's wave writer and the
recording is measured. The volume arithmetic and the layer's bookkeeping are the unit tier's; here
the sounds must come out when, where and as loud as the level asks."""
import math
import os
import unittest

from harness import GameTest, read_recording, setup_script, wave_writer, write_tone

SOUND_SETUP = dict(music=1, soundvolume=5, musicvolume=5, musicdir="../Resource/Sounds/")

LEVEL = """
dofile("../Resource/Levels/check.lua")
CreateSceneNode("LevelRoot", "_FollowCamera1")
SetPosition("_FollowCamera1", 0, 0, 30)
CreateSceneNode("LevelRoot", "look_at_node")
loud = Play2DSound("Tone.wav", 256, 1)
at(600, "StopSound(loud)")
at(1000, "soft = Play2DSound('Tone.wav', 64, 1)")
at(1100, "StopSound(0) StopSound(-1) StopSound(soft + 1000) StopSound(loud)")  -- none of them is playing
at(1800, "StopSound(soft)")
at(2200, "PlayStream('Short.wav')")
ends = 0
function StreamEnd() ends = ends + 1 end

-- A looping 3-D sound on an actor that crosses in front of the camera from left to right, and
-- is removed while it still plays.
AddActor("Mover")
AddActorMessage("Mover", 3200, 0, "LevelRoot", "", 0, 0, 0, 0)
AddActorMessage("Mover", 3200, 1, "SetLocal", "", -40, 0, 0, 0)
AddActorMessage("Mover", 3200, 9, "Tone3D.wav", "Loop", 0, 0, 0, 256)
AddActorMessage("Mover", 3200, 5, "", "", 40, 0, 0, 0)
at(5200, "RemoveActor('Mover')")
at(5600, "check_equal('StreamEnd ran once', ends, 1) ShutDown()")
"""

# No sound system (music 0) or no device: every call is harmless and the level runs to its end.
QUIET_LEVEL = """
dofile("../Resource/Levels/check.lua")
check_equal("Play2DSound without sound", Play2DSound("Tone.wav", 256, 1), 0)
PlayStream("Short.wav")
StopSound(0) StopAllSounds() UnloadStream() SetMasterVolume(100, 100)
AddActor("Mover")
AddActorMessage("Mover", 0, 0, "LevelRoot", "", 0, 0, 0, 0)
AddActorMessage("Mover", 0, 9, "Tone3D.wav", "Loop", 0, 0, 0, 256)
at(400, "RemoveActor('Mover') check('level ran to its end', true) ShutDown()")
"""


def rms(samples):
    return math.sqrt(sum(s * s for s in samples) / len(samples)) if samples else 0.0


def segments(left, right, rate, window_ms=10, threshold=1e-3):
    """(start, end) in seconds of the stretches with sound; the mixer's silence is exact zero, so
    gaps of a few windows only split sounds that really stopped."""
    size, found = rate * window_ms // 1000, []
    for i in range(0, len(left), size):
        if max(rms(left[i:i + size]), rms(right[i:i + size])) > threshold:
            if found and i / rate - found[-1][1] < 0.05:
                found[-1] = (found[-1][0], (i + size) / rate)
            else:
                found.append((i / rate, (i + size) / rate))
    return found


class SoundFromALevel(GameTest):
    def setUp(self):
        super().setUp()
        sounds = os.path.join(self.game.resource, "Sounds")
        write_tone(os.path.join(sounds, "Tone.wav"), 1.0)
        write_tone(os.path.join(sounds, "Tone3D.wav"), 1.0)
        write_tone(os.path.join(sounds, "Short.wav"), 0.5)

    def test_effects_stream_and_3d_voice_in_the_recording(self):
        self.game.write("setup.lua", setup_script(**SOUND_SETUP))
        self.game.level("test.lua", LEVEL)
        env, recording = wave_writer(self.game)
        result = self.run_game(env=env)
        self.assertPasses(result, 1)
        rate, left, right = read_recording(recording)
        parts = segments(left, right, rate)
        self.assertEqual(len(parts), 4, parts)
        loud, soft, stream, moving = parts
        # Each lasts as long as the level let it, roughly: on a loaded machine the wave writer
        # falls behind the wall clock and a slow frame runs a call late. The stray stops would
        # cut the soft one to 0.1 s.
        for (begin, end), want in zip(parts, [0.6, 0.8, 0.5, 2.0]):
            self.assertTrue(0.5 * want < end - begin < 1.5 * want, (want, parts))
        def level(part, channel=left):
            begin, end = part
            return rms(channel[int((begin + 0.1) * rate):int((end - 0.1) * rate)])

        # Gains are volume/256: the effects at 255 (256 at master 255) and 63, the stream at
        # trunc(255 * 100 / 256) = 99.
        self.assertAlmostEqual(level(soft) / level(loud), 63 / 255, delta=0.02)
        self.assertAlmostEqual(level(stream) / level(loud), 99 / 255, delta=0.02)
        # A centred mono source at gain 255/256: the tone's 0.354 RMS, less the few dB the mixer's
        # pan law takes off each side, and the same on both.
        self.assertTrue(0.5 < level(loud) / (0.354 * 255 / 256) < 1.0, level(loud))
        self.assertAlmostEqual(level(loud, right), level(loud), delta=0.01)

        # The moving voice: left-heavy in its first half second, right-heavy in its last.
        begin, end = moving
        first, last = slice(int(begin * rate), int((begin + 0.5) * rate)), slice(int((end - 0.5) * rate), int(end * rate))
        self.assertGreater(rms(left[first]), 2 * rms(right[first]))
        self.assertGreater(rms(right[last]), 2 * rms(left[last]))

    def test_a_stream_that_ends_just_before_a_load_is_no_news_to_the_next_level(self):
        # The stream ends while a statement keeps the frame busy, and that frame loads b: the
        # StreamEnd() handed over for a belongs to a.
        self.game.write("setup.lua", setup_script(startlevel="a.lua", **SOUND_SETUP))
        self.game.level("a.lua", """
dofile("../Resource/Levels/check.lua")
PlayStream("Short.wav")
at(20, "local t = os.clock() while os.clock() - t < 2 do end coreLoadLevel('b.lua')")
""")
        self.game.level("b.lua", """
dofile("../Resource/Levels/check.lua")
function StreamEnd() LogText("StreamEnd ran in b") end
at(500, "ShutDown()")
""")
        env, _ = wave_writer(self.game)
        result = self.run_game(env=env)
        self.assertIn("LoadLevel(b.lua) start at: 0", result.messages())
        self.assertNotIn("StreamEnd ran in b", result.messages())

    def test_without_sound_system_or_device_the_level_runs_on(self):
        self.game.level("test.lua", QUIET_LEVEL)
        env, recording = wave_writer(self.game)
        result = self.run_game(env=env)  # music 0: no device is even opened
        self.assertPasses(result, 2)
        self.assertFalse(os.path.exists(recording))

        self.game.write("setup.lua", setup_script(**SOUND_SETUP))
        result = self.run_game(env={"ALSOFT_DRIVERS": "nosuchdriver"})
        self.assertPasses(result, 2)
        self.assertIn("CSound: Error! Can't initialize output device", result.messages())
        self.assertEqual(result.returncode, 0)


if __name__ == "__main__":
    unittest.main()
