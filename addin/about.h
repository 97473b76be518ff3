// TAboutFrm, the about window: title and build, links to the web site, the
// online help and the support address, a legal notice and a Close button,
// over a picture stored with the module. The add-in makes it once at
// connection and shows it modally for every "About".
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ModalResult.h"

struct HINSTANCE__;

namespace carvelo {

inline constexpr wchar_t AboutWebSite[] = L"https://carvelo.example.com";
inline constexpr wchar_t AboutSupportAddress[] = L"support@carvelo.example.com";
inline constexpr wchar_t AboutBuild[] = L"01.1201";
inline constexpr wchar_t AboutTitle[] = L"carvelo for PowerPoint 1.0 build ";
inline constexpr wchar_t AboutHelpPage[] = L"Help/PPTAddon.htm";

// What a link asks the shell to do: ShellExecute's verb, file, directory and
// show command.
struct TShellRequest {
  std::wstring Verb;
  std::wstring File;
  std::wstring Directory;
  int ShowCommand = 0;

  bool operator==(const TShellRequest&) const = default;
};
using TShellOpen = std::function<void(const TShellRequest&)>;

// The window's labels, by their form names.
enum class TAboutLabel { lbl_title, Label10, Label4, Label8, Label9, Label5, Label6, Label1, Label2, Label7 };

class TAboutFrm {
 public:
  // Without an owner. `module` holds the picture and the manifest; by
  // default the module this code is linked into. Throws when the window
  // can't be made; a missing or damaged picture leaves the window black.
  explicit TAboutFrm(HINSTANCE__* module = nullptr);
  TAboutFrm(const TAboutFrm&) = delete;
  TAboutFrm& operator=(const TAboutFrm&) = delete;
  ~TAboutFrm();

  std::wstring Caption(TAboutLabel label) const;
  void SetCaption(TAboutLabel label, std::wstring caption);

  // Whether the background picture was decoded.
  bool HasPicture() const;

  // Where the links go; by default the shell's ShellExecute.
  void SetShellOpen(TShellOpen open);

  // Closes as cancelled (Close, Esc); the window stays for the next time.
  TModalResult ShowModal();

 private:
  class TForm;
  std::unique_ptr<TForm> FForm;
};

// The "About" command: sets the title line and the help link, then shows the
// window modally.
TModalResult ExecuteAbout(TAboutFrm& about);

}  // namespace carvelo
