#include "app/about_dialog.h"

#include <memory>
#include <new>

#include "app/resource_ids.h"
#include "app/texts.h"
#include "app/version_resource.h"

CAboutDlg::CAboutDlg(ui::Application& app) : ui::Dialog(app, app::kAboutTemplate) {}

void CAboutDlg::DoDataExchange(ui::DataExchange& exchange) {
  exchange.text(app::kVersionStatic, m_strVersion);
  exchange.text(app::kNoticeStatic, m_strNotice);
}

bool CAboutDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  std::u16string title;
  app::LoadMessageChecked(app_, resources::msg::kAbout, title);
  setText(title);

  os::VersionInfo& versions = *app_.facilities().versions;
  char16_t path[os::kMaxPath] = {};
  versions.getModuleFileName(path, os::kMaxPath);
  const std::uint32_t size = versions.getFileVersionInfoSize(path);
  if (size != 0) {
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[size]);
    if (!block) return true;  // the statics keep their template texts
    std::u16string product;
    if (versions.getFileVersionInfo(path, size, block.get())) {
      const std::u16string query = std::u16string(u"\\StringFileInfo\\") + std::u16string(app::kVersionTableKey) +
                                   u"\\ProductVersion";
      const char16_t* value = nullptr;
      std::uint32_t length = 0;
      if (versions.queryValue(block.get(), query, &value, &length) && value) {
        // The length counts the terminator; stop at the first one either way.
        std::size_t n = 0;
        while (n < length && value[n] != u'\0') ++n;
        product.assign(value, n);
      }
    }
    m_strVersion = app::LoadText(app_, resources::msg::kVersionLine) + u" " + product;
    m_strNotice = app::LoadText(app_, resources::msg::kNotice);
  }
  updateData(false);
  return true;
}
