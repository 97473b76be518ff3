// Identifiers and enumeration values of the PowerPoint and Office object
// model as the add-in uses them (values as PowerPoint documents them).
#pragma once

#include <guiddef.h>
#include <oaidl.h>

namespace carvelo::host {

// Office command bars.
inline constexpr IID IID_CommandBars = {0x000C0302, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_CommandBarButton = {0x000C030E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID DIID_CommandBarButtonEvents = {0x000C0351, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// PowerPoint's application: class, interface and event interface.
inline constexpr CLSID CLSID_PowerPointApplication = {
    0x91493441, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
inline constexpr IID IID_PowerPointApplication = {
    0x91493442, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
inline constexpr IID DIID_PowerPointEApplication = {
    0x914934C2, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};

// Event dispatch ids.
inline constexpr DISPID DISPID_CommandBarButtonClick = 1;
inline constexpr DISPID DISPID_WindowSelectionChange = 2001;

// PpViewType.
enum : int { ppViewSlide = 1, ppViewSlideMaster = 2, ppViewNotesPage = 3, ppViewOutline = 6,
             ppViewSlideSorter = 7, ppViewNormal = 9, ppViewThumbnails = 11 };
// PpSelectionType.
enum : int { ppSelectionNone = 0, ppSelectionSlides = 1, ppSelectionShapes = 2, ppSelectionText = 3 };
// MsoShapeType.
enum : int { msoShapeTypeMixed = -2, msoAutoShape = 1, msoGroup = 6, msoLinkedPicture = 11, msoPicture = 13,
             msoPlaceholder = 14, msoTextBox = 17 };
// MsoBarPosition.
enum : int { msoBarLeft = 0, msoBarTop = 1, msoBarRight = 2, msoBarBottom = 3, msoBarFloating = 4 };
// MsoControlType and MsoButtonStyle.
enum : int { msoControlButton = 1 };
enum : int { msoButtonIcon = 1, msoButtonCaption = 2, msoButtonIconAndCaption = 3 };
// MsoScaleFrom and MsoTriState.
enum : int { msoScaleFromTopLeft = 0, msoScaleFromMiddle = 1, msoScaleFromBottomRight = 2 };
enum : int { msoFalse = 0, msoTrue = -1, msoCTrue = 1, msoTriStateMixed = -2 };
// MsoZOrderCmd and MsoFlipCmd.
enum : int { msoBringToFront = 0, msoSendToBack = 1, msoBringForward = 2, msoSendBackward = 3 };
enum : int { msoFlipHorizontal = 0, msoFlipVertical = 1 };
// PpMouseActivation and the PpActionType values whose fields are carried.
enum : int { ppMouseClick = 1, ppMouseOver = 2 };
enum : int { ppActionNone = 0, ppActionHyperlink = 7, ppActionRunMacro = 8, ppActionRunProgram = 9 };
// PpPasteDataType values the round trip pastes with, and MsoPictureCompress.
enum : int { ppPasteDefault = 0, ppPasteBitmap = 1, ppPastePNG = 6 };
enum : int { msoPictureCompressDocDefault = -1, msoPictureCompressFalse = 0, msoPictureCompressTrue = 1 };

}  // namespace carvelo::host
