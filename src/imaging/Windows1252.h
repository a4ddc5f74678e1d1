// Moved to the public headers, which host and plug-in share.
#pragma once
#include <velmora/windows1252.h>
