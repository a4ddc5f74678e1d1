// velmora-host: the command line (--info, --apply) and the window.
#pragma once

namespace velmora::hote {

// Exit codes: 0 done (also when an operation changed nothing), 1 a file or the
// plug-in failed, 2 the command line is wrong.
int Principal(int argc, char **argv);

} // namespace velmora::hote
