#include "folder_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" {
#include "7zCrc.h"
#include "Bra.h"
#include "CpuArch.h"
#include "Delta.h"
#include "Lzma2Dec.h"
#include "LzmaDec.h"
}

namespace un7z {

namespace {

constexpr uint32_t kCopy = 0;
constexpr uint32_t kDelta = 3;
constexpr uint32_t kArm64 = 0xa;
constexpr uint32_t kRiscv = 0xb;
constexpr uint32_t kLzma2 = 0x21;
constexpr uint32_t kLzma = 0x30101;
constexpr uint32_t kBcj = 0x3030103;
constexpr uint32_t kPpc = 0x3030205;
constexpr uint32_t kIa64 = 0x3030401;
constexpr uint32_t kArm = 0x3030501;
constexpr uint32_t kArmThumb = 0x3030701;
constexpr uint32_t kSparc = 0x3030805;

// Output of the main decoder waits here while a filter converts it; a filter may hold back a
// few bytes at the end until the next ones arrive.
constexpr size_t kStagingBytes = 1 << 20;
// The most input asked of the stream at once.
constexpr size_t kLookBytes = 1 << 18;

void* SzAllocate(ISzAllocPtr, size_t size) { return std::malloc(size); }
void SzRelease(ISzAllocPtr, void* address) { std::free(address); }
const ISzAlloc kAllocator = {SzAllocate, SzRelease};

uint32_t Lzma2Dictionary(unsigned prop) { return prop == 40 ? 0xFFFFFFFFu : (2u | (prop & 1u)) << (prop / 2 + 11); }

ReadResult FromSRes(SRes result) {
  switch (result) {
    case SZ_OK: return ReadResult::kOk;
    case SZ_ERROR_MEM: return ReadResult::kNoMemory;
    case SZ_ERROR_UNSUPPORTED: return ReadResult::kUnsupported;
    default: return ReadResult::kDamaged;
  }
}

using RiscConverter = Byte* (*)(Byte*, SizeT, UInt32);

}  // namespace

struct FolderReader::State {
  enum class Main { kCopy, kLzma, kLzma2, kWhole };
  enum class Filter { kNone, kX86, kRisc, kDelta };

  ~State() {
    if (lzmaMade) LzmaDec_Free(&lzma, &kAllocator);
    if (lzma2Made) Lzma2Dec_Free(&lzma2, &kAllocator);
    std::free(whole);
  }

  ReadResult OpenStreaming(const CSzFolder& folder, const Byte* props, const uint64_t* unpackSizes);
  ReadResult MainRead(uint8_t* out, size_t size, size_t& got);
  ReadResult FilteredRead(uint8_t* out, size_t size, size_t& got);
  ReadResult FilterTakes(const CSzCoderInfo& coder, const Byte* props);

  ILookInStreamPtr input = nullptr;
  Main main = Main::kCopy;
  uint64_t packLeft = 0;
  uint64_t mainLeft = 0;
  bool mainEnded = false;
  CLzmaDec lzma{};
  bool lzmaMade = false;
  CLzma2Dec lzma2{};
  bool lzma2Made = false;

  Filter filter = Filter::kNone;
  RiscConverter risc = nullptr;
  uint32_t pc = 0;
  uint32_t x86State = Z7_BRANCH_CONV_ST_X86_STATE_INIT_VAL;
  Byte deltaState[DELTA_STATE_SIZE] = {};
  unsigned deltaDistance = 1;
  std::unique_ptr<uint8_t[]> staging;
  size_t begin = 0;
  size_t converted = 0;
  size_t filled = 0;
  bool stagingEnded = false;

  Byte* whole = nullptr;
  size_t wholeSize = 0;
  size_t wholePosition = 0;

  bool hasCrc = false;
  uint32_t expectedCrc = 0;
  uint32_t crc = CRC_INIT_VAL;
  bool checked = false;
  size_t decoderBytes = 0;
};

ReadResult FolderReader::State::FilterTakes(const CSzCoderInfo& coder, const Byte* props) {
  const uint32_t method = coder.MethodID;
  if (method == kDelta) {
    if (coder.PropsSize != 1) return ReadResult::kUnsupported;
    filter = Filter::kDelta;
    deltaDistance = static_cast<unsigned>(props[0]) + 1;
    Delta_Init(deltaState);
    return ReadResult::kOk;
  }
  if (method == kArm64 || method == kRiscv) {
    if (coder.PropsSize == 4) {
      pc = GetUi32(props);
    } else if (coder.PropsSize != 0) {
      return ReadResult::kUnsupported;
    }
    if (pc & (method == kArm64 ? 3u : 1u)) return ReadResult::kUnsupported;
    filter = Filter::kRisc;
    risc = method == kArm64 ? z7_BranchConv_ARM64_Dec : z7_BranchConv_RISCV_Dec;
    return ReadResult::kOk;
  }
  if (coder.PropsSize != 0) return ReadResult::kUnsupported;
  filter = Filter::kRisc;
  switch (method) {
    case kBcj: filter = Filter::kX86; return ReadResult::kOk;
    case kPpc: risc = z7_BranchConv_PPC_Dec; return ReadResult::kOk;
    case kIa64: risc = z7_BranchConv_IA64_Dec; return ReadResult::kOk;
    case kArm: risc = z7_BranchConv_ARM_Dec; return ReadResult::kOk;
    case kArmThumb: risc = z7_BranchConv_ARMT_Dec; return ReadResult::kOk;
    case kSparc: risc = z7_BranchConv_SPARC_Dec; return ReadResult::kOk;
    default: return ReadResult::kUnsupported;
  }
}

ReadResult FolderReader::State::OpenStreaming(const CSzFolder& folder, const Byte* props, const uint64_t* unpackSizes) {
  const CSzCoderInfo& coder = folder.Coders[0];
  const Byte* mainProps = props + coder.PropsOffset;
  mainLeft = unpackSizes[0];
  switch (coder.MethodID) {
    case kCopy:
      if (packLeft != mainLeft) return ReadResult::kDamaged;
      main = Main::kCopy;
      mainEnded = mainLeft == 0;
      break;
    case kLzma: {
      if (coder.PropsSize != LZMA_PROPS_SIZE) return ReadResult::kUnsupported;
      // A dictionary never needs to be larger than what it decodes.
      Byte patched[LZMA_PROPS_SIZE];
      std::memcpy(patched, mainProps, LZMA_PROPS_SIZE);
      if (mainLeft < GetUi32(patched + 1))
        SetUi32(patched + 1, static_cast<uint32_t>(std::max<uint64_t>(mainLeft, 4096)));
      LzmaDec_CONSTRUCT(&lzma);
      const SRes made = LzmaDec_Allocate(&lzma, patched, LZMA_PROPS_SIZE, &kAllocator);
      if (made != SZ_OK) return FromSRes(made);
      lzmaMade = true;
      LzmaDec_Init(&lzma);
      decoderBytes += lzma.dicBufSize;
      main = Main::kLzma;
      break;
    }
    case kLzma2: {
      if (coder.PropsSize != 1 || mainProps[0] > 40) return ReadResult::kUnsupported;
      unsigned prop = mainProps[0];
      while (prop > 0 && Lzma2Dictionary(prop - 1) >= mainLeft) --prop;
      Lzma2Dec_CONSTRUCT(&lzma2);
      const SRes made = Lzma2Dec_Allocate(&lzma2, static_cast<Byte>(prop), &kAllocator);
      if (made != SZ_OK) return FromSRes(made);
      lzma2Made = true;
      Lzma2Dec_Init(&lzma2);
      decoderBytes += lzma2.decoder.dicBufSize;
      main = Main::kLzma2;
      break;
    }
    default: return ReadResult::kUnsupported;
  }
  if (folder.NumCoders == 2) {
    const ReadResult taken = FilterTakes(folder.Coders[1], props + folder.Coders[1].PropsOffset);
    if (taken != ReadResult::kOk) return taken;
    staging.reset(new (std::nothrow) uint8_t[kStagingBytes]);
    if (!staging) return ReadResult::kNoMemory;
    decoderBytes += kStagingBytes;
  }
  return ReadResult::kOk;
}

ReadResult FolderReader::State::MainRead(uint8_t* out, size_t size, size_t& got) {
  got = 0;
  size = static_cast<size_t>(std::min<uint64_t>(size, mainLeft));
  while (got < size || (mainLeft == 0 && !mainEnded)) {
    const void* in = nullptr;
    size_t available = static_cast<size_t>(std::min<uint64_t>(packLeft, kLookBytes));
    if (available > 0 && ILookInStream_Look(input, &in, &available) != SZ_OK) return ReadResult::kDamaged;
    if (main == Main::kCopy) {
      if (available == 0) return ReadResult::kDamaged;
      const size_t taken = std::min(available, size - got);
      std::memcpy(out + got, in, taken);
      if (ILookInStream_Skip(input, taken) != SZ_OK) return ReadResult::kDamaged;
      packLeft -= taken;
      mainLeft -= taken;
      got += taken;
      mainEnded = mainLeft == 0;
      continue;
    }
    SizeT outLength = size - got;
    SizeT inLength = available;
    // The stream must end exactly where the output does.
    const ELzmaFinishMode finish = outLength == mainLeft ? LZMA_FINISH_END : LZMA_FINISH_ANY;
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    const SRes result = main == Main::kLzma
                            ? LzmaDec_DecodeToBuf(&lzma, out + got, &outLength, static_cast<const Byte*>(in), &inLength,
                                                  finish, &status)
                            : Lzma2Dec_DecodeToBuf(&lzma2, out + got, &outLength, static_cast<const Byte*>(in),
                                                   &inLength, finish, &status);
    if (result != SZ_OK) return ReadResult::kDamaged;
    if (inLength > 0 && ILookInStream_Skip(input, inLength) != SZ_OK) return ReadResult::kDamaged;
    packLeft -= inLength;
    mainLeft -= outLength;
    got += outLength;
    if (mainLeft == 0) {
      if (status == LZMA_STATUS_NEEDS_MORE_INPUT && packLeft > 0) continue;
      mainEnded = true;
      const bool finished =
          status == LZMA_STATUS_FINISHED_WITH_MARK || status == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK;
      if (!finished || packLeft != 0) return ReadResult::kDamaged;
    } else if (outLength == 0 && inLength == 0) {
      // No progress with output still owed: the data ended early or carries an end mark too soon.
      return ReadResult::kDamaged;
    }
  }
  return ReadResult::kOk;
}

ReadResult FolderReader::State::FilteredRead(uint8_t* out, size_t size, size_t& got) {
  got = 0;
  while (got == 0 && size > 0) {
    if (converted > begin) {
      got = std::min(size, converted - begin);
      std::memcpy(out, staging.get() + begin, got);
      begin += got;
      break;
    }
    if (stagingEnded) break;
    std::memmove(staging.get(), staging.get() + begin, filled - begin);
    filled -= begin;
    begin = 0;
    converted = 0;
    size_t more = 0;
    const ReadResult read = MainRead(staging.get() + filled, kStagingBytes - filled, more);
    if (read != ReadResult::kOk) return read;
    filled += more;
    if (more == 0) {
      // What the filter held back at the very end is data it leaves as it is.
      stagingEnded = true;
      converted = filled;
      continue;
    }
    Byte* const data = staging.get();
    size_t processed = filled;
    if (filter == Filter::kX86) {
      processed = static_cast<size_t>(z7_BranchConvSt_X86_Dec(data, filled, pc, &x86State) - data);
    } else if (filter == Filter::kRisc) {
      processed = static_cast<size_t>(risc(data, filled, pc) - data);
    } else {
      Delta_Decode(deltaState, deltaDistance, data, filled);
    }
    pc += static_cast<uint32_t>(processed);
    converted = processed;
  }
  return ReadResult::kOk;
}

FolderReader::FolderReader() = default;
FolderReader::~FolderReader() = default;

ReadResult FolderReader::Open(const CSzArEx& archive, ILookInStreamPtr input, uint32_t folderIndex) {
  state_.reset(new (std::nothrow) State);
  if (!state_) return ReadResult::kNoMemory;
  State& s = *state_;
  s.input = input;
  const CSzAr& ar = archive.db;
  const Byte* props = ar.CodersData + ar.FoCodersOffsets[folderIndex];
  CSzData described{props, ar.FoCodersOffsets[folderIndex + 1] - ar.FoCodersOffsets[folderIndex]};
  CSzFolder folder{};
  if (SzGetNextFolderItem(&folder, &described) != SZ_OK) return ReadResult::kDamaged;
  s.hasCrc = SzBitWithVals_Check(&ar.FolderCRCs, folderIndex);
  if (s.hasCrc) s.expectedCrc = ar.FolderCRCs.Vals[folderIndex];
  const uint64_t* unpackSizes = ar.CoderUnpackSizes + ar.FoToCoderUnpackSizes[folderIndex];
  const uint64_t* packPositions = ar.PackPositions + ar.FoStartPackStreamIndex[folderIndex];

  const CSzCoderInfo& first = folder.Coders[0];
  const bool plainChain =
      folder.NumPackStreams == 1 && folder.PackStreams[0] == 0 && first.NumStreams == 1 &&
      ((folder.NumCoders == 1 && folder.NumBonds == 0 && folder.UnpackStream == 0) ||
       (folder.NumCoders == 2 && folder.NumBonds == 1 && folder.Bonds[0].InIndex == 1 &&
        folder.Bonds[0].OutIndex == 0 && folder.Coders[1].NumStreams == 1 && folder.UnpackStream == 1));
  const bool streamable =
      plainChain && (first.MethodID == kCopy || first.MethodID == kLzma || first.MethodID == kLzma2);
  if (streamable) {
    if (LookInStream_SeekTo(input, archive.dataPos + packPositions[0]) != SZ_OK) return ReadResult::kDamaged;
    s.packLeft = packPositions[1] - packPositions[0];
    return s.OpenStreaming(folder, props, unpackSizes);
  }

  // Arrangements with several streams at once (BCJ2) and the PPMd model: decoded whole.
  const uint64_t size = SzAr_GetFolderUnpackSize(&ar, folderIndex);
  if (size > SIZE_MAX) return ReadResult::kNoMemory;
  s.main = State::Main::kWhole;
  s.wholeSize = static_cast<size_t>(size);
  s.whole = static_cast<Byte*>(std::malloc(std::max<size_t>(s.wholeSize, 1)));
  if (!s.whole) return ReadResult::kNoMemory;
  s.decoderBytes = s.wholeSize;
  // The 7z decoder checks the folder's CRC itself.
  s.hasCrc = false;
  return FromSRes(SzAr_DecodeFolder(&ar, folderIndex, input, archive.dataPos, s.whole, s.wholeSize, &kAllocator));
}

ReadResult FolderReader::Read(uint8_t* out, size_t size, size_t& got) {
  got = 0;
  if (!state_) return ReadResult::kDamaged;
  State& s = *state_;
  ReadResult result = ReadResult::kOk;
  if (s.main == State::Main::kWhole) {
    got = std::min(size, s.wholeSize - s.wholePosition);
    std::memcpy(out, s.whole + s.wholePosition, got);
    s.wholePosition += got;
  } else if (s.filter == State::Filter::kNone) {
    result = s.MainRead(out, size, got);
  } else {
    result = s.FilteredRead(out, size, got);
  }
  if (result != ReadResult::kOk) return result;
  if (s.hasCrc) s.crc = CrcUpdate(s.crc, out, got);
  if (got == 0 && size > 0 && s.hasCrc && !s.checked) {
    s.checked = true;
    if (CRC_GET_DIGEST(s.crc) != s.expectedCrc) return ReadResult::kDamaged;
  }
  return ReadResult::kOk;
}

size_t FolderReader::DecoderBytes() const { return state_ ? state_->decoderBytes : 0; }

const ISzAlloc* Allocator() { return &kAllocator; }

}  // namespace un7z
