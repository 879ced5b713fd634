// The runner's signals and meta-object (moc) are built with this file: the folder's library is made
// of its .cpp files, and each one's header goes through moc with it.
#include "core/link/runner.h"
