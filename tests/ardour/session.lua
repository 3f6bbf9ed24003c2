-- Loads the plug-in on a stereo track of a headless Ardour session fed with white noise, sets a
-- parameter, saves and closes the session, and prints what it saw; reload.lua reopens it.
local dir = os.getenv ("VARLUNE_SESSION_DIR")

local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
backend:set_driver ("10x Speed")
backend:set_device_name ("Uniform White Noise")

local session = create_session (dir, "s", 48000)
assert (session, "cannot create a session")

local tracks = session:new_audio_track (2, 2, nil, 1, "FX", ARDOUR.PresentationInfo.max_order,
                                        ARDOUR.TrackMode.Normal, true)
local track = tracks:front ()
local plugin = ARDOUR.LuaAPI.new_plugin (session, "Varlune", ARDOUR.PluginType.LXVST, "")
assert (not plugin:isnil (), "Varlune not found")
local insert = plugin:to_insert ()
print ("RESULT parameters " .. insert:plugin (0):parameter_count ())

track:add_processor_by_index (plugin, 0, nil, true)
track:monitoring_control ():set_value (ARDOUR.MonitorChoice.MonitorInput, PBD.GroupControlDisposition.NoGroup)
ARDOUR.LuaAPI.usleep (1000000)
print ("RESULT peak " .. track:peak_meter ():meter_level (0, ARDOUR.MeterType.MeterPeak))

-- Delay1_Feedback to 12.5 %
ARDOUR.LuaAPI.set_plugin_insert_param (insert, 3, 0.125)
ARDOUR.LuaAPI.usleep (200000)
print ("RESULT set " .. ARDOUR.LuaAPI.get_plugin_insert_param (insert, 3, true))
session:save_state ("", false, false, false, false, false)
close_session ()

