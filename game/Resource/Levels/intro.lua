-- Start level: placeholder scene until the demo levels land.
CreateSceneNode("", "LevelRoot")
CreateSceneNode("LevelRoot", "_FollowCamera1")
CreateSceneNode("LevelRoot", "look_at_node")
SetPosition("_FollowCamera1", 0, 10, 40)
