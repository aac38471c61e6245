#pragma once
// Dialog templates as data: the one description of a dialog's window and controls
// (ids, classes, texts, positions and sizes in dialog units, styles). The headless
// back end builds its windows from it; a Win32 back end can build the in-memory
// template for DialogBoxIndirectParamW from the same rows.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ui {

// Id of controls the program never addresses (IDC_STATIC).
constexpr std::uint16_t kNoControlId = 0xFFFF;

enum class ControlClass { Button, Edit, Static };

struct ControlTemplate {
  std::uint16_t id;
  ControlClass controlClass;
  std::u16string_view text;
  std::uint16_t iconId;  // SS_ICON statics: the icon resource shown; else 0
  std::int16_t x, y, cx, cy;
  std::uint32_t style;  // WS_CHILD is implied
};

struct DialogTemplate {
  std::uint16_t id;
  std::u16string_view title;
  std::int16_t cx, cy;
  std::u16string_view fontFace;
  std::uint16_t pointSize;
  std::uint32_t style;
  std::uint32_t exStyle;
  std::span<const ControlTemplate> controls;  // template order, which is the tab order
};

// The resources a back end creates windows from.
struct ResourceSet {
  std::span<const DialogTemplate> dialogs;
  std::span<const std::uint16_t> icons;  // icon group ids
  // The string table of a language (a LANGID): the text of string id, empty when
  // that table lacks it. Null: the program has no string resources.
  std::u16string (*strings)(std::uint16_t id, std::uint16_t langId) = nullptr;

  const DialogTemplate* dialog(std::uint16_t id) const {
    for (const auto& d : dialogs)
      if (d.id == id) return &d;
    return nullptr;
  }
};

}  // namespace ui
