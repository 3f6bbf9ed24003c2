#pragma once

#include "VstHost.h"

#include <string>

/** Opens the plug-in's window inside a top-level X window of the host's own and runs it until the
    user closes it, following the plug-in's requests to resize. Needs an X display. */
bool runEditorWindow (VstHost& host, std::string& error);
