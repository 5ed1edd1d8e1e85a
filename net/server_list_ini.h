#pragma once
// Win32 only.

#include <string>

#include "net/server_list.h"

namespace horvane {

// The server list of an ini file such as Horvane.ini beside the program: the values of
// Server1, Server2, ... of its [Servers] section, up to the first missing key (see
// DaytimeServerListFrom). The built-in list when the file or the section is missing or holds
// no usable entry. `iniPath` is a full path (a bare name would be looked for in the Windows
// folder).
DaytimeServerList LoadDaytimeServerList(const std::string& iniPath);

}  // namespace horvane
