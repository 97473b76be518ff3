// One carving job: the working bitmap (and, for a masked job, the painted
// mask) into engine buffers, the engine run, and the carved picture back into
// the result bitmap.
//
// The steps are separate so that a worker thread can run the pixel transfers
// wherever the command's bitmaps may be touched and the carving on its own
// thread; TCarveWorker::Run does them all on the calling thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "Bitmap.h"
#include "GEM.h"
#include "GML_type.h"
#include "Settings.h"
#include "StretchGraph.h"

namespace carvelo {

// The colours of the painted marks.
inline constexpr TRGB ProtectColour{0, 128, 0};
inline constexpr TRGB RemoveColour{255, 0, 0};

// Weight of a mark at full strength (Masque Weight 100).
inline constexpr int32_t FullMarkWeight = 214748;

// Round(214748 * MasqueWeight / 100), halves to even: the weight of a protect
// mark; a remove mark gets its negative.
int32_t MarkWeight(int32_t MasqueWeight);

// The weight of one mask pixel: only exactly the two mark colours count.
inline int32_t MaskWeightOf(TRGB Colour, int32_t Mark) {
  if (Colour == ProtectColour) return Mark;
  if (Colour == RemoveColour) return -Mark;
  return 0;
}

// Engine pixel word of a picture pixel: red, green, blue, and 1 in byte 3
// (a picture with alpha carries its alpha there instead).
inline uint32_t EngineWordOf(TRGB Colour) { return GML_Pixel(Colour.R, Colour.G, Colour.B, 1); }
// Picture pixel of an engine word; byte 3 is ignored.
inline TRGB ColourOfEngineWord(uint32_t Word) {
  return {static_cast<uint8_t>(Word), static_cast<uint8_t>(Word >> 8), static_cast<uint8_t>(Word >> 16)};
}

// How a masked job carves its marked areas out: Remove_Areas picks columns or
// rows per round itself (mode 0), for at most ten rounds.
inline constexpr uint8_t AutomaticMode = 0;
inline constexpr int32_t RemovalRounds = 10;

// Throws std::invalid_argument, naming What, unless Bitmap is at least
// Width x Height.
void RequireBitmapCovers(const TBitmap& Bitmap, int32_t Width, int32_t Height, const char* What);

// The pixel transfers. Each covers the buffer's own size; the bitmap must
// be at least that large (std::invalid_argument otherwise). Bitmaps of
// another depth than 24 are read through a 24-bit copy, but for a bitmap
// with alpha, whose alpha travels in the engine word's byte 3.
void ReadMask(const TBitmap& Mask, int32_t MasqueWeight, GML_Int& Weights);
void ReadSource(const TBitmap& Working, GML_Color& Source);
// Writes the result over its own size, clipped to the target bitmap.
void WriteResult(const GML_Color& Result, TBitmap& Target);

// The engine calls of a job. Without a mask one Carve_Image. With a mask,
// Remove_Areas (automatic mode, 10 rounds) carves the marked areas out into
// an intermediate picture of the same size, and Carve_Image then fits that
// picture with the weights as Remove_Areas carved them: only those still
// line up with the intermediate picture, while the painted map would
// protect and remove the wrong pixels. Returns false when stopped; an engine
// failure (TEngineError) reaches the caller.
template <typename Engine>
bool RunEngineSequence(Engine& Gem, const GML_Color& Source, const GML_Int& Weights, bool UseMask,
                       int32_t TargetWidth, int32_t TargetHeight, int32_t Stretch, uint8_t Filter,
                       GML_Int& WorkWeights, GML_Color& Result, const std::atomic<bool>* Stop = nullptr) {
  constexpr bool ForwardEnergy = true;
  const auto Stopped = [Stop] { return Stop != nullptr && Stop->load(); };
  if (!UseMask) {
    Gem.Carve_Image(Source, Weights, TargetWidth, TargetHeight, Stretch, Filter, ForwardEnergy, WorkWeights, Result);
    return !Stopped();
  }
  GML_Color Intermediate;
  Gem.Remove_Areas(Source, Weights, AutomaticMode, RemovalRounds, Stretch, Filter, ForwardEnergy, WorkWeights,
                   Intermediate);
  if (Stopped()) return false;
  GML_Int CarvedWeights;
  CarvedWeights.Assign(WorkWeights);
  Gem.Carve_Image(Intermediate, CarvedWeights, TargetWidth, TargetHeight, Stretch, Filter, ForwardEnergy,
                  WorkWeights, Result);
  return !Stopped();
}

struct TPictureSize {
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const TPictureSize&) const = default;
};

// The result picture's size: Round(W * FW) x Round(H * FH), a side that
// would round to 0 being 1.
TPictureSize FittedSize(int32_t W, int32_t H, double FW, double FH);

// What a carving command hands to its job. The bitmaps stay the command's;
// they must outlive the job.
struct TCarveJob {
  int32_t WorkWidth = 0;  // size of the working bitmap
  int32_t WorkHeight = 0;
  int32_t TargetWidth = 0;  // size of the result bitmap
  int32_t TargetHeight = 0;
  double FW = 1;  // residual ratios, for the record
  double FH = 1;
  int32_t MasqueWeight = 100;
  uint8_t Filter = 0;
  int32_t Stretch = 400;
  const TBitmap* Mask = nullptr;  // the painted copy of the working bitmap; read only when UseMask
  const TBitmap* Working = nullptr;
  TBitmap* Target = nullptr;  // written
  bool UseMask = false;
};

// The blank result bitmap of a job of Size: 24 bits, or 32 with alpha when
// the working picture has alpha.
TBitmap MakeResultBitmap(const TWorkingBitmap& Working, TPictureSize Size);

// The job of a command: working bitmap, result bitmap and settings (mask
// null for a job without one).
TCarveJob MakeCarveJob(const TWorkingBitmap& Working, TBitmap& Target, const TCarveSettings& Settings,
                       const TBitmap* Mask);

class TCarveWorker {
public:
  // Checks the record; throws std::invalid_argument with the reason when it
  // cannot be run. Control's hooks reach the engine.
  explicit TCarveWorker(const TCarveJob& Job, TCarveControl Control = {});

  // The steps in their order. ReadMask (masked jobs only), ReadSource and
  // WriteResult touch the command's bitmaps; Carve touches only the job's
  // own buffers.
  void Begin();  // zeroed weight maps of the working size
  void ReadMask();
  void ReadSource();
  // False when stopped. Throws TEngineError (a std::runtime_error) when the
  // engine cannot carve, such as "GEM: Carve_Image(): FATAL ERROR! Unable to
  // spawn thread!": the caller shows its what() and reports no result.
  bool Carve();
  void WriteResult();
  void End();  // releases every buffer

  // Every step on the calling thread; false when stopped (the result bitmap
  // is then left as it was). Throws as Carve does, the result bitmap again
  // left as it was.
  bool Run();

  // The weights as read from the mask (all 0 without one), until End.
  const GML_Int& Weights() const { return FWeights; }
  // The weights as the engine carved them, until End.
  const GML_Int& WorkWeights() const { return FWorkWeights; }

private:
  TCarveJob FJob;
  TCarveControl FControl;
  GML_Int FWeights;
  GML_Int FWorkWeights;
  GML_Color FSource;
  GML_Color FResult;
};

}  // namespace carvelo
