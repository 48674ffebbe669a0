// The modal panels of the view system: the alert panel with up to three buttons, and the open and save panels.
#pragma once

#include <string>
#include <vector>

namespace appkit {

/// What RunAlertPanel answers.
constexpr int kAlertDefaultReturn = 1;
constexpr int kAlertAlternateReturn = 0;
constexpr int kAlertOtherReturn = -1;
/// The alert was not shown (another menu or alert was open): nobody chose any button.
constexpr int kAlertNotShownReturn = -2;

/// An alert: a title, a message and buttons; an empty button text means no such button.
struct AlertPanel
{
  std::string title;
  std::string message;
  std::string defaultButton;
  std::string alternateButton;
  std::string otherButton;
};

/// What a panel's modal run answers.
constexpr int kPanelOKButton = 1;
constexpr int kPanelCancelButton = 0;

/// An open or save panel and, after an OK, the chosen path.
struct FilePanel
{
  enum class Kind
  {
    kOpen,
    kSave,
  };
  Kind kind = Kind::kOpen;
  std::string title;
  std::string directory;
  std::string file;
  std::vector<std::string> allowedFileTypes; // extensions without the dot; empty: any
  bool allowsOtherFileTypes = true;
  bool canChooseFiles = true;
  bool canChooseDirectories = false;
  bool resolvesAliases = true;
  bool canCreateDirectories = false;

  std::string filename; // the answer

  /// A save panel that allows only its types gives its answer the first type's extension when it lacks every
  /// allowed one.
  void CompleteSaveAnswer();
};

} // namespace appkit
