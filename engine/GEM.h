// TGEM: the carving engine. Carves a colour picture to a new size by removing
// or inserting seams (connected paths of one pixel per row), keeping the grey
// picture, the energy map, the weights and the cumulative cost map in step
// with the picture so that each seam after the first costs little.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "GML_type.h"

namespace carvelo {

// Energy filters, numbered as in the settings dialog's list.
enum : uint8_t {
  Filter_Prewitt = 0,
  Filter_V1 = 1,
  Filter_V_Square = 2,
  Filter_Sobel = 3,
  Filter_Laplacian = 4,
};

// One point of a seam: the column X in row Y.
struct TPixel {
  int32_t X;
  int32_t Y;
  bool operator==(const TPixel&) const = default;
};
// A seam: element Y holds row Y.
using PAPixel = std::vector<TPixel>;

// What an engine call throws when it cannot go on, such as "GEM:
// Carve_Image(): FATAL ERROR! Unable to spawn thread!". The call's output
// buffers then hold no result.
class TEngineError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Starts a thread running the given routine (throws std::system_error when
// the system has none to give).
using TThreadStarter = std::function<std::thread(std::function<void()>)>;

// Optional hooks of a carve. Without them the engine carves to the end.
struct TCarveControl {
  // Told after every seam how many seams of the current pass are done.
  std::function<void(int32_t Done, int32_t Total)> Progress;
  // Checked between seams; when it reads true the carve returns early.
  const std::atomic<bool>* Stop = nullptr;
  // Helper threads an engine call starts besides the calling thread; below
  // zero one fewer than the processors, at most three. The carved bytes do
  // not depend on it.
  int32_t Helpers = -1;
  // How helpers are started; std::thread when empty.
  TThreadStarter Start_Helper;
  // Width passes keep the colours in place and move 16-bit pool slots
  // instead; false moves the colours themselves, the plain form that gives
  // the same bytes more slowly.
  bool Index_Colours = true;
};

class TWorkers;
class TRow_Progress;
struct TRows_Ready;
// The search of the next seam, run behind a seam step that publishes its
// progress to it.
using TSearch_Behind = std::function<void(const TRow_Progress& Step)>;

// Every public operation is an engine call: the outermost one starts the
// engine's helper threads and joins them before it returns, so no thread
// outlives it. When a helper cannot be started the call throws TEngineError.
class TGEM {
public:
  TGEM() = default;
  explicit TGEM(TCarveControl Control) : FControl(std::move(Control)) {}
  TGEM(const TGEM&) = delete;
  TGEM& operator=(const TGEM&) = delete;

  // --- Energy map --------------------------------------------------------
  // Grey value 0..255: (299 R + 587 G + 114 B) / 1000, remainder dropped.
  static uint8_t Luminance(uint32_t Pixel) {
    const uint32_t R = Pixel & 0xFF, G = (Pixel >> 8) & 0xFF, B = (Pixel >> 16) & 0xFF;
    return static_cast<uint8_t>((299 * R + 587 * G + 114 * B) / 1000);
  }
  void Grayscale_Image(const GML_Color& Source, GML_Gray& Gray);
  // Filter response at one pixel; neighbours outside the picture read as the
  // nearest border pixel. Filters 5 and above give 0.
  static int32_t Pixel_Energy(const GML_Gray& Gray, int32_t X, int32_t Y, uint8_t Filter);
  void Edge_Detect(const GML_Gray& Gray, GML_Int& Energy, uint8_t Filter);

  // --- Seam search -------------------------------------------------------
  void Add_Weights(const GML_Int& A, const GML_Int& B, GML_Int& Sum);
  void Energy_Path(const GML_Int& E, const GML_Int& W, GML_Int& M, bool ForwardEnergy, const PAPixel& PreviousPath);
  int32_t Find_Seam(const GML_Int& E, const GML_Int& W, GML_Int& M, PAPixel& Path, bool ForwardEnergy, bool First);
  static void Trace_Path(const GML_Int& M, int32_t EndX, PAPixel& Path);

  // --- Seam removal and insertion ----------------------------------------
  void Remove_Path(GML_Color& Dest, const PAPixel& Path, GML_Int& W, GML_Int& E, GML_Gray& Gray, GML_Int& M,
                   uint8_t Filter);
  void Add_Path(GML_Color& Dest, const PAPixel& Path, GML_Int& W, GML_Int& E, GML_Gray& Gray, GML_Int& P, GML_Int& M,
                int32_t Stretch, uint8_t Filter);
  // Byte-wise mean of two pixels, rounding down.
  static uint32_t Average_Color(uint32_t A, uint32_t B) {
    return ((A >> 1) & 0x7F7F7F7Fu) + ((B >> 1) & 0x7F7F7F7Fu) + (A & B & 0x01010101u);
  }

  // --- Carving driver ----------------------------------------------------
  void Carve_Image(const GML_Color& Source, const GML_Int& Weights, int32_t TargetWidth, int32_t TargetHeight,
                   int32_t Stretch, uint8_t Filter, bool ForwardEnergy, GML_Int& WorkWeights, GML_Color& Dest);
  void Remove_Areas(const GML_Color& Source, const GML_Int& Weights, uint8_t Mode, int32_t Rounds, int32_t Stretch,
                    uint8_t Filter, bool ForwardEnergy, GML_Int& WorkWeights, GML_Color& Dest);
  void Carve_Resize(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, int32_t TargetHeight,
                    int32_t Stretch, uint8_t Filter, bool ForwardEnergy, GML_Color& Dest);
  void Shrink_Width(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, uint8_t Filter,
                    bool ForwardEnergy, GML_Color& Dest);
  void Enlarge_Width(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, int32_t Stretch, uint8_t Filter,
                     bool ForwardEnergy, GML_Color& Dest);
  // The seams the first round of Remove_Areas in Mode takes out (and grows
  // back) for these weights: what a progress plan can foresee.
  static int32_t Removal_Round_Seams(const GML_Int& Weights, uint8_t Mode);
  static void Widen_Map(GML_Int& Map, int32_t NewWidth);
  static void Copy_Pixels(const GML_Color& From, GML_Color& To);

private:
  class TCall;

  // Remove_Path and Add_Path, told whether the weights are all zero. Zero
  // weights stay zero through removals and insertions (an inserted weight is
  // the mean of two), so their map then only changes width and never moves.
  // The energy map E of a pass is a GML_Int, or a GML_Word for the filters
  // whose responses fit in 16 bits; the colour and grey pictures are a
  // TMoving_Picture or a TIndexed_Picture. Next, when given, searches the next seam
  // behind the step, told how far the step has come; it may run beside it.
  template <typename Energy_Map, typename Picture>
  void Remove_Seam(Picture& Pic, const PAPixel& Path, GML_Int& W, Energy_Map& E, GML_Int& M, uint8_t Filter,
                   bool Zero_Weights, const TSearch_Behind* Next = nullptr);
  template <typename Energy_Map, typename Picture>
  void Insert_Seam(Picture& Pic, const PAPixel& Path, GML_Int& W, Energy_Map& E, GML_Int& P, GML_Int& M,
                   int32_t Stretch, uint8_t Filter, bool Zero_Weights, const TSearch_Behind* Next = nullptr);
  // Find_Seam with weights W, or, when W is null, all zero: Zero_Row (at
  // least E's width of zeros) then stands for every row. With Ready the
  // search waits for each row before it reads it (M already has E's width).
  template <typename Energy_Map>
  int32_t Find_Seam_In(const Energy_Map& E, const GML_Int* W, const int32_t* Zero_Row, GML_Int& M, PAPixel& Path,
                       bool ForwardEnergy, bool First, const TRows_Ready* Ready = nullptr);
  template <typename Energy_Map>
  void Detect_Edges(const GML_Gray& Gray, Energy_Map& Energy, uint8_t Filter);
  template <typename Energy_Map>
  void Shrink_Pass(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, uint8_t Filter, bool ForwardEnergy,
                   GML_Color& Dest);
  template <typename Energy_Map>
  void Enlarge_Pass(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, int32_t Stretch, uint8_t Filter,
                    bool ForwardEnergy, GML_Color& Dest);
  // The four steps of Carve_Image and Carve_Resize, carving Weights along.
  void Carve_Steps(const GML_Color& Source, GML_Int& Weights, int32_t TargetWidth, int32_t TargetHeight,
                   int32_t Stretch, uint8_t Filter, bool ForwardEnergy, GML_Color& Dest);
  // A width pass on the transposed picture: Dest := Picture with its height
  // carved to TargetHeight.
  void Carve_Height(const GML_Color& Picture, GML_Int& Weights, int32_t TargetHeight, int32_t Stretch, uint8_t Filter,
                    bool ForwardEnergy, GML_Color& Dest);
  bool Stopped() const { return FControl.Stop && FControl.Stop->load(std::memory_order_relaxed); }
  void Seam_Done(int32_t Done, int32_t Total) const {
    if (FControl.Progress) FControl.Progress(Done, Total);
  }

  TCarveControl FControl;
  TWorkers* FWorkers = nullptr;  // the helpers of the engine call under way
};

}  // namespace carvelo
