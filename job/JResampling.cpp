#include "JResampling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace carvelo {

int32_t GetBitsPerPixel(const TBitmap& Bitmap) {
  switch (Bitmap.BitCount()) {
    case 16:
      if (Bitmap.Masks() == Masks555) return 15;
      if (Bitmap.Masks() == Masks565) return 16;
      return 0;
    case 24: return 24;
    case 32: return 32;
    default: return 0;
  }
}

// ---------------------------------------------------------------------------
// Weight tables

namespace {

// Kernel constants at extended precision: the weights must come out the same
// on every build, so nothing here may be folded to double first.
constexpr long double K_7_6 = 7.0L / 6.0L;
constexpr long double K_8_9 = 8.0L / 9.0L;
constexpr long double K_m7_18 = -7.0L / 18.0L;
constexpr long double K_10_3 = 10.0L / 3.0L;
constexpr long double K_16_9 = 16.0L / 9.0L;

// Distances and the scale factors are singles: computed at extended
// precision, then stored.
float ToSingle(long double Value) { return static_cast<float>(Value); }

int32_t RoundToEven(long double Value) { return static_cast<int32_t>(std::nearbyint(Value)); }

}  // namespace

long double MitchellKernel(float Distance) {
  const long double X = Distance;
  if (X < 1) return (K_7_6 * X - 2) * X * X + K_8_9;
  if (X < 2) return ((K_m7_18 * X + 2) * X - K_10_3) * X + K_16_9;
  return 0;
}

int32_t MirrorIndex(int64_t J, int32_t N) {
  if (J < 0)
    J = -J;
  else if (J >= N)
    J = 2 * int64_t{N} - 1 - J;
  return static_cast<int32_t>(std::clamp<int64_t>(J, 0, N - 1));
}

TContributorTable::TContributorTable(int32_t SourceSize, int32_t DestSize)
    : FSourceSize(SourceSize), FDestSize(DestSize) {
  if (SourceSize < 1 || DestSize < 1) throw std::invalid_argument("contributor table of an empty axis");
  const int64_t N = SourceSize, M = DestSize;
  const bool Shrinking = M < N;
  FCapacity = Shrinking ? static_cast<int32_t>(4 * N / M + 1) : 5;
  FPairs.reserve(static_cast<size_t>(M) * static_cast<size_t>(FCapacity));
  FStart.reserve(static_cast<size_t>(M) + 1);

  if (Shrinking) {
    // Distances in destination units; the kernel is widened by 1 / e.
    const float E = ToSingle(static_cast<long double>(M) / N);
    for (int64_t I = 0; I < M; ++I) {
      FStart.push_back(static_cast<int32_t>(FPairs.size()));
      const int64_t First = ((I - 2) * N - M + 1) / M;
      const int64_t Last = ((I + 2) * N + M - 1) / M;
      for (int64_t J = First; J <= Last; ++J) {
        const float X = ToSingle(std::fabs(static_cast<long double>(I) - static_cast<long double>(J) * E));
        if (X < 2) Add(J, MitchellKernel(X) * E * 65536);
      }
    }
  } else {
    const float F = ToSingle(static_cast<long double>(N) / M);
    for (int64_t I = 0; I < M; ++I) {
      FStart.push_back(static_cast<int32_t>(FPairs.size()));
      const float Centre = ToSingle(static_cast<long double>(I) * F);
      const int64_t First = (I * N - 3 * M + 1) / M;
      const int64_t Last = (I * N + 3 * M - 1) / M;
      for (int64_t J = First; J <= Last; ++J) {
        const float X = ToSingle(std::fabs(static_cast<long double>(Centre) - static_cast<long double>(J)));
        if (X < 2) Add(J, MitchellKernel(X) * 65536);
      }
    }
  }
  FStart.push_back(static_cast<int32_t>(FPairs.size()));
  for (int32_t I = 0; I < DestSize; ++I) MakeWeightsSumToOne(I);
}

void TContributorTable::MakeWeightsSumToOne(int32_t DestIndex) {
  const auto First = FPairs.begin() + FStart[static_cast<size_t>(DestIndex)];
  const auto End = FPairs.begin() + FStart[static_cast<size_t>(DestIndex) + 1];
  if (First == End) return;
  int32_t Sum = 0;
  for (auto C = First; C != End; ++C) Sum += C->Weight;
  // The largest weight changes least in proportion; max_element finds the
  // first of equal ones.
  const auto Largest =
      std::max_element(First, End, [](const TContributor& A, const TContributor& B) { return A.Weight < B.Weight; });
  Largest->Weight += 65536 - Sum;
}

void TContributorTable::Add(int64_t Candidate, long double Weight) {
  FPairs.push_back({MirrorIndex(Candidate, FSourceSize), RoundToEven(Weight)});
}

namespace {

// The process-wide cache, most recently used last. It keeps at most
// ContributorCacheCapacity tables: a host process may live for days and see
// pictures of countless sizes. A table dropped from the cache lives on while
// a resampler still holds it.
struct TTableCache {
  struct TEntry {
    int32_t SourceSize;
    int32_t DestSize;
    std::shared_ptr<const TContributorTable> Table;
  };
  std::mutex Lock;
  std::vector<TEntry> Entries;
};

TTableCache& TableCache() {
  static TTableCache Cache;
  return Cache;
}

}  // namespace

std::shared_ptr<const TContributorTable> GetContributors(int32_t SourceSize, int32_t DestSize) {
  TTableCache& Cache = TableCache();
  const std::lock_guard Guard(Cache.Lock);
  auto& Entries = Cache.Entries;
  const auto Found = std::find_if(Entries.begin(), Entries.end(), [&](const TTableCache::TEntry& E) {
    return E.SourceSize == SourceSize && E.DestSize == DestSize;
  });
  if (Found != Entries.end()) {
    std::rotate(Found, Found + 1, Entries.end());  // now the most recent
    return Entries.back().Table;
  }
  auto Table = std::make_shared<const TContributorTable>(SourceSize, DestSize);
  if (Entries.size() >= ContributorCacheCapacity) Entries.erase(Entries.begin());
  Entries.push_back({SourceSize, DestSize, Table});
  return Table;
}

size_t CachedContributorTables() {
  TTableCache& Cache = TableCache();
  const std::lock_guard Guard(Cache.Lock);
  return Cache.Entries.size();
}

// ---------------------------------------------------------------------------
// Pixel layouts of the four depths: how a pixel splits into three channels,
// or four with alpha.

namespace {

using TChannels = std::array<int32_t, 4>;

struct TPixels24 {
  static constexpr size_t Bytes = 3;
  static constexpr size_t Channels = 3;
  static constexpr TChannels Top{255, 255, 255, 0};
  static TChannels Load(const uint8_t* P) { return {P[0], P[1], P[2], 0}; }
  static void Store(uint8_t* P, const TChannels& C) {
    P[0] = static_cast<uint8_t>(C[0]);
    P[1] = static_cast<uint8_t>(C[1]);
    P[2] = static_cast<uint8_t>(C[2]);
  }
};

// Byte 3 is neither read nor written.
struct TPixels32 : TPixels24 {
  static constexpr size_t Bytes = 4;
};

// Alpha in byte 3. The colours are filtered multiplied by their alpha, so
// that the colour of an invisible pixel never bleeds into a visible edge;
// an opaque pixel's channels are its bytes, exactly as without alpha.
struct TPixels32Alpha {
  static constexpr size_t Bytes = 4;
  static constexpr size_t Channels = 4;
  static constexpr TChannels Top{255, 255, 255, 255};
  static TChannels Load(const uint8_t* P) {
    const int32_t A = P[3];
    return {(P[0] * A + 127) / 255, (P[1] * A + 127) / 255, (P[2] * A + 127) / 255, A};
  }
  static void Store(uint8_t* P, const TChannels& C) {
    const int32_t A = C[3];
    for (size_t k = 0; k < 3; ++k)
      P[k] = A == 0 ? 0 : static_cast<uint8_t>((std::min(C[k], A) * 255 + A / 2) / A);
    P[3] = static_cast<uint8_t>(A);
  }
};

inline uint32_t LoadWord(const uint8_t* P) { return uint32_t(P[0]) | uint32_t(P[1]) << 8; }
inline void StoreWord(uint8_t* P, uint32_t W) {
  P[0] = static_cast<uint8_t>(W);
  P[1] = static_cast<uint8_t>(W >> 8);
}

// 5-5-5, red in the top field; channels blue, green, red.
struct TPixels15 {
  static constexpr size_t Bytes = 2;
  static constexpr size_t Channels = 3;
  static constexpr TChannels Top{31, 31, 31, 0};
  static TChannels Load(const uint8_t* P) {
    const uint32_t W = LoadWord(P);
    return {int32_t(W & 0x1F), int32_t(W >> 5 & 0x1F), int32_t(W >> 10 & 0x1F), 0};
  }
  static void Store(uint8_t* P, const TChannels& C) {
    StoreWord(P, uint32_t(C[0]) | uint32_t(C[1]) << 5 | uint32_t(C[2]) << 10);
  }
};

// 5-6-5; channels blue, green, red.
struct TPixels16 {
  static constexpr size_t Bytes = 2;
  static constexpr size_t Channels = 3;
  static constexpr TChannels Top{31, 63, 31, 0};
  static TChannels Load(const uint8_t* P) {
    const uint32_t W = LoadWord(P);
    return {int32_t(W & 0x1F), int32_t(W >> 5 & 0x3F), int32_t(W >> 11 & 0x1F), 0};
  }
  static void Store(uint8_t* P, const TChannels& C) {
    StoreWord(P, uint32_t(C[0]) | uint32_t(C[1]) << 5 | uint32_t(C[2]) << 11);
  }
};

// A 16.16 sum back to a channel, rounded to nearest and clamped to 0..Top.
// With weights that sum to exactly 1.0 a flat area keeps its exact value.
inline int32_t RoundSum(int32_t Sum, int32_t Top) { return std::clamp((Sum + 32768) >> 16, 0, Top); }

// One column of intermediate results: the source column's channels after the
// horizontal pass, one 4-byte entry per source row.
using TColumnEntry = std::array<uint8_t, 4>;

template <typename Px>
void MitchellResampleOf(const TBitmap& Source, TBitmap& Dest) {
  const auto ColumnTable = GetContributors(Source.Width(), Dest.Width());
  const auto RowTable = GetContributors(Source.Height(), Dest.Height());
  const TContributorTable& Columns = *ColumnTable;
  const TContributorTable& Rows = *RowTable;
  std::vector<TColumnEntry> Column(static_cast<size_t>(Source.Height()), TColumnEntry{});

  for (int32_t i = 0; i < Dest.Width(); ++i) {
    const auto Across = Columns.Of(i);
    for (int32_t y = 0; y < Source.Height(); ++y) {
      const uint8_t* Line = Source.ScanLine(y);
      TChannels Sum{0, 0, 0, 0};
      for (const TContributor& C : Across) {
        if (C.Weight == 0) continue;
        const TChannels P = Px::Load(Line + static_cast<size_t>(C.Pixel) * Px::Bytes);
        for (size_t k = 0; k < Px::Channels; ++k) Sum[k] += C.Weight * P[k];
      }
      auto& Entry = Column[static_cast<size_t>(y)];
      for (size_t k = 0; k < Px::Channels; ++k) Entry[k] = static_cast<uint8_t>(RoundSum(Sum[k], Px::Top[k]));
    }

    const size_t Offset = static_cast<size_t>(i) * Px::Bytes;
    for (int32_t j = 0; j < Dest.Height(); ++j) {
      TChannels Sum{0, 0, 0, 0};
      for (const TContributor& C : Rows.Of(j)) {
        if (C.Weight == 0) continue;
        const auto& Entry = Column[static_cast<size_t>(C.Pixel)];
        for (size_t k = 0; k < Px::Channels; ++k) Sum[k] += C.Weight * Entry[k];
      }
      TChannels Out{};
      for (size_t k = 0; k < Px::Channels; ++k) Out[k] = RoundSum(Sum[k], Px::Top[k]);
      Px::Store(Dest.ScanLine(j) + Offset, Out);
    }
  }
}

template <typename Px>
void BilinearResampleOf(const TBitmap& Source, TBitmap& Dest) {
  const int32_t SW = Source.Width(), SH = Source.Height();
  // 16.16 steps; the design's sizes (up to 32767) fit 32 bits, positions are
  // kept wider so that larger bitmaps cannot wrap.
  const uint64_t StepX = (uint64_t(SW) << 16) / uint64_t(Dest.Width());
  const uint64_t StepY = (uint64_t(SH) << 16) / uint64_t(Dest.Height());

  uint64_t Y = 0;
  for (int32_t j = 0; j < Dest.Height(); ++j, Y += StepY) {
    const int32_t Y0 = static_cast<int32_t>(Y >> 16);
    const int32_t Y1 = Y0 < SH - 1 ? Y0 + 1 : Y0;
    const uint32_t Fy = static_cast<uint32_t>(Y & 0xFFFF);
    const uint32_t Gy = 0x10000 - Fy;  // the top and bottom weights sum to 1.0
    const uint8_t* Top = Source.ScanLine(Y0);
    const uint8_t* Bottom = Source.ScanLine(Y1);
    uint8_t* Out = Dest.ScanLine(j);

    uint64_t X = 0;
    for (int32_t i = 0; i < Dest.Width(); ++i, X += StepX, Out += Px::Bytes) {
      const int32_t X0 = static_cast<int32_t>(X >> 16);
      const int32_t X1 = X0 < SW - 1 ? X0 + 1 : X0;
      const uint32_t Fx = static_cast<uint32_t>(X & 0xFFFF);
      const uint32_t TopRight = (Gy * Fx) >> 16;
      const uint32_t TopLeft = Gy - TopRight;
      const uint32_t BottomRight = (Fy * Fx) >> 16;
      const uint32_t BottomLeft = Fy - BottomRight;

      const TChannels P00 = Px::Load(Top + static_cast<size_t>(X0) * Px::Bytes);
      const TChannels P10 = Px::Load(Top + static_cast<size_t>(X1) * Px::Bytes);
      const TChannels P01 = Px::Load(Bottom + static_cast<size_t>(X0) * Px::Bytes);
      const TChannels P11 = Px::Load(Bottom + static_cast<size_t>(X1) * Px::Bytes);
      TChannels Result{};
      for (size_t k = 0; k < Px::Channels; ++k) {
        // The four weights sum to 65536: at most Top << 16, well inside 32 bits.
        const uint32_t Sum = TopLeft * uint32_t(P00[k]) + TopRight * uint32_t(P10[k]) +
                             BottomLeft * uint32_t(P01[k]) + BottomRight * uint32_t(P11[k]);
        Result[k] = RoundSum(static_cast<int32_t>(Sum), Px::Top[k]);
      }
      Px::Store(Out, Result);
    }
  }
}

bool CanResample(const TBitmap& Source, const TBitmap& Dest) {
  const int32_t Depth = GetBitsPerPixel(Dest);
  return Depth != 0 && GetBitsPerPixel(Source) == Depth && Source.HasAlpha() == Dest.HasAlpha() && !Source.Empty() &&
         !Dest.Empty();
}

}  // namespace

void MitchellResample(const TBitmap& Source, TBitmap& Dest) {
  if (!CanResample(Source, Dest)) return;
  switch (GetBitsPerPixel(Dest)) {
    case 15: MitchellResampleOf<TPixels15>(Source, Dest); break;
    case 16: MitchellResampleOf<TPixels16>(Source, Dest); break;
    case 24: MitchellResampleOf<TPixels24>(Source, Dest); break;
    case 32:
      if (Dest.HasAlpha())
        MitchellResampleOf<TPixels32Alpha>(Source, Dest);
      else
        MitchellResampleOf<TPixels32>(Source, Dest);
      break;
  }
}

void BilinearResample(const TBitmap& Source, TBitmap& Dest) {
  if (!CanResample(Source, Dest)) return;
  switch (GetBitsPerPixel(Dest)) {
    case 15: BilinearResampleOf<TPixels15>(Source, Dest); break;
    case 16: BilinearResampleOf<TPixels16>(Source, Dest); break;
    case 24: BilinearResampleOf<TPixels24>(Source, Dest); break;
    case 32:
      if (Dest.HasAlpha())
        BilinearResampleOf<TPixels32Alpha>(Source, Dest);
      else
        BilinearResampleOf<TPixels32>(Source, Dest);
      break;
  }
}

}  // namespace carvelo
