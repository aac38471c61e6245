#pragma once
// The parts of the program's resource script that are made from the program's own
// sources, so that the Windows resources and what the native build runs cannot
// differ: the dialog templates, the two string tables and the version block.
// Text is written as UTF-8 for a script read with code page 65001.
#include <ostream>
#include <string>
#include <string_view>

#include "ui/dialog_template.h"

namespace resources::script {

// A resource-script string literal: quoted, with quotes doubled, backslashes and
// line breaks escaped, everything else as UTF-8.
std::string quoted(std::u16string_view text);

// DIALOGEX statement of a template. Controls get WS_CHILD | WS_VISIBLE besides
// their own styles, as the system creates every control of a dialog.
void writeDialog(std::ostream& out, const ui::DialogTemplate& dialog);

// The STRINGTABLE of each language (0x0409, 0x0411) from the message table; a
// number a language lacks has no entry in its table. What follows is English again.
void writeStringTables(std::ostream& out);

// The program's VERSIONINFO.
void writeVersionBlock(std::ostream& out);

}  // namespace resources::script
