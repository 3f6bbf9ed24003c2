-- Reopens the session saved by session.lua in a fresh Ardour process and prints the restored value.
local dir = os.getenv ("VARLUNE_SESSION_DIR")

local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
backend:set_driver ("10x Speed")
backend:set_device_name ("Uniform White Noise")

local session = load_session (dir, "s")
assert (session, "cannot reload the session")
local route = session:route_by_name ("FX")
assert (not route:isnil (), "the track is gone")
local restored = route:nth_plugin (0):to_insert ()
print ("RESULT restored " .. ARDOUR.LuaAPI.get_plugin_insert_param (restored, 3, true))
ARDOUR.LuaAPI.usleep (500000)
close_session ()
