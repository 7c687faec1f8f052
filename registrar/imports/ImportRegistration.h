#pragma once
#include "registrar/imports/HelpPages.h"   // registerImportHelpPages()

namespace oa {

// Registers the roster import and the six score imports with the main window's command table.
void registerImportWindows();

}  // namespace oa
