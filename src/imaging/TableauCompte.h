// Moved to the public headers, which host and plug-in share.
#pragma once
#include <velmora/memoire.h>
