// What the ribbon tab is made of, from the module's resources: the customUI
// XML and the icons its `image` attributes name.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <string_view>

#include "ComPtr.h"

namespace carvelo::addin {

// The ribbon XML, the same for every ribbon id. Raises EHostError when the
// module lacks it.
std::wstring RibbonXml();

// The icon named by an `image` attribute, as a picture of a 32-bit
// top-down DIB section with premultiplied alpha (what GDI's AlphaBlend
// draws); null for a name the XML does not use. Raises EHostError when the
// picture cannot be made.
com::ComPtr<IPictureDisp> RibbonIcon(std::wstring_view image);

}  // namespace carvelo::addin
