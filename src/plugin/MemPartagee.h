// The shared memory manager's page and its seam to the platform.
#pragma once

#include <velmora/memoire.h>
