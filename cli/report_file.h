#pragma once
// The report named on the command line, made ready for the engine: a file found
// readable before any analysis starts, or standard input ("-") copied to a
// temporary file, which is removed when this object ends.
#include <optional>
#include <string>

namespace cli {

class ReportFile {
 public:
  // The report argument, or nothing with error set to the reason it cannot be
  // read (one line, without the tool's name; it names the file).
  static std::optional<ReportFile> open(const std::string& argument, std::string& error);

  ReportFile(ReportFile&& other) noexcept;
  ReportFile& operator=(ReportFile&&) = delete;
  ReportFile(const ReportFile&) = delete;
  ~ReportFile();

  // The path the engine opens, as a Windows path.
  const std::u16string& path() const { return m_path; }
  // The report as the user named it: the argument, or "standard input".
  const std::string& name() const { return m_name; }

 private:
  ReportFile(std::u16string path, std::string name, std::string temporary)
      : m_path(std::move(path)), m_name(std::move(name)), m_temporary(std::move(temporary)) {}

  std::u16string m_path;
  std::string m_name;
  std::string m_temporary;  // path (UTF-8) of the copy of standard input, removed at the end
};

}  // namespace cli
