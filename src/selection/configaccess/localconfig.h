#pragma once

#include <QString>

#include <cstddef>

// The program's own configuration-access library: it serves configuration
// trees from XML files in a local folder through the five functions of
// halvex.h. Layout of the folder:
//
//   <root>/<NT server>/users.txt                          optional log-on list
//   <root>/<NT server>/TM_SERVER/<TM server>/<file>.xml   configuration files
//
// The root is the environment variable OSTRAND_CONFIG_ROOT, else the demo
// folder installed beside the program (<prefix>/share/ostrand/examples/config
// for <prefix>/bin), else the demo folder of the source tree. Names are matched exactly first, then without regard to letter
// case, as on the servers' own file system.
namespace configaccess {

// The folder the local library serves.
QString configRoot();

// Number of parsed trees the library keeps (the current one and at most one
// more, so that a settings file and its lookup file need not be parsed at
// every load).
std::size_t heldTreeCount();

// Lets go of the kept trees, for a program that makes one selection and needs
// the memory for what follows; the next open parses its file again and the
// handles of the released trees are answered as invalid.
void releaseTrees();

} // namespace configaccess
