// Resource numbers of the about window, shared by about.rc and the code.
#pragma once

#define IDR_ABOUT_PICTURE 601
