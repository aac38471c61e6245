#pragma once
// The program's dialog templates and icons: the one description both window
// system back ends create the dialogs from.
#include "ui/dialog_template.h"

namespace app {

const ui::ResourceSet& programResources();

}  // namespace app
