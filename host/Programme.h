// velmora-host: the command line (--info, --apply) and the window.
#pragma once

class QTranslator;

namespace velmora::hote {

// Qt's own texts (standard buttons, the file boxes, key names such as
// "Ctrl+Maj+S") in French like the rest of the host: Debian's qtbase_fr,
// installed in the running application. Null when it cannot be loaded; the
// host then goes on with Qt's English texts.
QTranslator *TraduireQt();

// Exit codes: 0 done (also when an operation changed nothing), 1 a file or the
// plug-in failed, 2 the command line is wrong.
int Principal(int argc, char **argv);

} // namespace velmora::hote
