#include "RibbonResources_win.h"

#include <wincodec.h>

#include <cstdint>
#include <span>

#include "Gdi_win.h"
#include "HostError.h"
#include "PngPicture_win.h"
#include "ribbon_res.h"

namespace carvelo::addin {

using com::Check;
using com::ComPtr;

namespace {

struct TIconResource {
  std::wstring_view image;  // as the XML's image attributes name it
  int resource;
};
constexpr TIconResource kIcons[] = {
    {L"QuickFitting32", IDR_ICON_QUICKFITTING32}, {L"QuickFitting16", IDR_ICON_QUICKFITTING16},
    {L"EditMask32", IDR_ICON_EDITMASK32},         {L"EditMask16", IDR_ICON_EDITMASK16},
    {L"Setup16", IDR_ICON_SETUP16},               {L"About16", IDR_ICON_ABOUT16},
};

// The module these resources are linked into: the add-in DLL, or a test.
HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::span<const uint8_t> ResourceBytes(int id) {
  const HMODULE module = ThisModule();
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) throw com::EHostError(HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND), "FindResource");
  return {static_cast<const uint8_t*>(bytes), SizeofResource(module, found)};
}

void Premultiply(std::span<uint8_t> bgra) {
  for (size_t i = 0; i + 3 < bgra.size(); i += 4)
    for (size_t c = 0; c < 3; ++c) bgra[i + c] = static_cast<uint8_t>((bgra[i + c] * bgra[i + 3] + 127) / 255);
}

TGdiBitmap DibSectionOf(IWICBitmapSource& source) {
  UINT width = 0, height = 0;
  Check(source.GetSize(&width, &height), "IWICBitmapSource::GetSize");
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TGdiBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) throw com::EHostError(E_OUTOFMEMORY, "CreateDIBSection");
  const UINT stride = width * 4;
  const std::span<uint8_t> pixels(static_cast<uint8_t*>(bits), size_t(stride) * height);
  Check(source.CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data()),
        "IWICBitmapSource::CopyPixels");
  Premultiply(pixels);
  return bitmap;
}

}  // namespace

std::wstring RibbonXml() {
  const std::span<const uint8_t> utf8 = ResourceBytes(IDR_RIBBON_XML);
  const auto* text = reinterpret_cast<const char*>(utf8.data());
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text, size, nullptr, 0);
  std::wstring xml(length > 0 ? length : 0, L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text, size, xml.data(), length);
  return xml;
}

ComPtr<IPictureDisp> RibbonIcon(std::wstring_view image) {
  for (const TIconResource& icon : kIcons) {
    if (icon.image != image) continue;
    TGdiBitmap bitmap = DibSectionOf(*DecodePngPixels(ResourceBytes(icon.resource)).Get());
    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap.Get();
    ComPtr<IPictureDisp> picture;
    Check(OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, picture.PutVoid()),
          "OleCreatePictureIndirect");
    (void)bitmap.Release();  // the picture owns it now
    return picture;
  }
  return nullptr;
}

}  // namespace carvelo::addin
