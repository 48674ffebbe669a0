#include "appkit/panels.h"

namespace appkit {

void FilePanel::CompleteSaveAnswer()
{
  if (kind != Kind::kSave || allowsOtherFileTypes || allowedFileTypes.empty() || filename.empty())
    return;
  for (const std::string& type : allowedFileTypes)
  {
    const std::string ext = "." + type;
    if (filename.size() > ext.size() && filename.compare(filename.size() - ext.size(), ext.size(), ext) == 0)
      return;
  }
  filename += "." + allowedFileTypes.front();
}

} // namespace appkit
