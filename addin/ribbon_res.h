// Resource numbers of the ribbon tab: its XML and its icons, shared by
// ribbon.rc and the code.
#pragma once

#define IDR_RIBBON_XML 701
#define IDR_ICON_QUICKFITTING32 711
#define IDR_ICON_QUICKFITTING16 712
#define IDR_ICON_EDITMASK32 713
#define IDR_ICON_EDITMASK16 714
#define IDR_ICON_SETUP16 715
#define IDR_ICON_ABOUT16 716
