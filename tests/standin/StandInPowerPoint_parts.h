// The objects a stand-in shape and slide hand out for their parts: a
// shape's Tags, ActionSettings (with Hyperlink) and PlaceholderFormat, and a
// slide's TimeLine with its main and interactive sequences.
#pragma once

#include "StandInPowerPoint.h"

namespace carvelo::standin {

ComPtr<TStandInObject> MakeTags(ComPtr<TStandInShape> shape);
ComPtr<TStandInObject> MakeActionSettings(ComPtr<TStandInShape> shape);
ComPtr<TStandInObject> MakePlaceholderFormat(ComPtr<TStandInShape> shape);
ComPtr<TStandInObject> MakeTimeLine(TStandInSlide* slide);
ComPtr<TStandInObject> MakeLineFormat(ComPtr<TStandInShape> shape);
ComPtr<TStandInObject> MakeShadowFormat(ComPtr<TStandInShape> shape);

}  // namespace carvelo::standin
