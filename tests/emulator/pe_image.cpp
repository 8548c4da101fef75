#include "pe_image.h"

#include <algorithm>

#include "hex.h"

namespace vexa::emulator {

namespace {

// DOS and NT headers.
constexpr uint16_t kDosMagic = 0x5A4D;  // "MZ"
constexpr uint32_t kDosNewHeaderAt = 0x3C;
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kOptionalMagicPe32 = 0x010B;
constexpr uint16_t kFileRelocsStripped = 0x0001;
constexpr uint16_t kFileDll = 0x2000;
constexpr uint32_t kFileHeaderSize = 20;

// Offsets in the file header, from the signature.
constexpr uint32_t kMachineAt = 4;
constexpr uint32_t kSectionCountAt = 6;
constexpr uint32_t kOptionalSizeAt = 20;
constexpr uint32_t kCharacteristicsAt = 22;
constexpr uint32_t kOptionalAt = 4 + kFileHeaderSize;

// Offsets in the PE32 optional header.
constexpr uint32_t kEntryAt = 16;
constexpr uint32_t kImageBaseAt = 28;
constexpr uint32_t kSectionAlignmentAt = 32;
constexpr uint32_t kFileAlignmentAt = 36;
constexpr uint32_t kSizeOfImageAt = 56;
constexpr uint32_t kSizeOfHeadersAt = 60;
constexpr uint32_t kDirectoryCountAt = 92;
constexpr uint32_t kDirectoriesAt = 96;
constexpr uint32_t kDirectorySize = 8;
constexpr uint32_t kExportDirectory = 0;
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kRelocationDirectory = 5;

// Section headers.
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSectionNameSize = 8;
constexpr uint32_t kSectionVirtualSizeAt = 8;
constexpr uint32_t kSectionRvaAt = 12;
constexpr uint32_t kSectionRawSizeAt = 16;
constexpr uint32_t kSectionRawOffsetAt = 20;
constexpr uint32_t kSectionCharacteristicsAt = 36;
constexpr uint32_t kScnExecute = 0x20000000;
constexpr uint32_t kScnRead = 0x40000000;
constexpr uint32_t kScnWrite = 0x80000000;

// The export directory.
constexpr uint32_t kExportNameAt = 12;
constexpr uint32_t kExportBaseAt = 16;
constexpr uint32_t kExportFunctionCountAt = 20;
constexpr uint32_t kExportNameCountAt = 24;
constexpr uint32_t kExportFunctionsAt = 28;
constexpr uint32_t kExportNamesAt = 32;
constexpr uint32_t kExportNameOrdinalsAt = 36;

// Import descriptors and thunks.
constexpr uint32_t kImportDescriptorSize = 20;
constexpr uint32_t kImportLookupAt = 0;
constexpr uint32_t kImportNameAt = 12;
constexpr uint32_t kImportSlotsAt = 16;
constexpr uint32_t kImportByOrdinal = 0x80000000;
constexpr uint32_t kImportOrdinalMask = 0xFFFF;
constexpr uint32_t kHintSize = 2;

// Base relocation blocks.
constexpr uint32_t kRelocationBlockHeader = 8;
constexpr int kRelocationTypeShift = 12;
constexpr uint16_t kRelocationOffsetMask = 0x0FFF;
constexpr int kRelocationAbsolute = 0;
constexpr int kRelocationHighLow = 3;

constexpr uint32_t kPageSize = 0x1000;
constexpr size_t kMaxName = 256;

uint16_t get16(const Bytes& bytes, uint64_t at, const char* what) {
  if (at + 2 > bytes.size()) throw PeError(std::string(what) + " lies outside the image");
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t get32(const Bytes& bytes, uint64_t at, const char* what) {
  if (at + 4 > bytes.size()) throw PeError(std::string(what) + " lies outside the image");
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void put32(Bytes& bytes, uint32_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string getString(const Bytes& bytes, uint32_t at, const char* what) {
  std::string text;
  for (uint64_t i = at; i < bytes.size() && text.size() < kMaxName; ++i) {
    if (bytes[i] == 0) return text;
    text += static_cast<char>(bytes[i]);
  }
  throw PeError(std::string(what) + " at RVA " + hex(at) + " is not a terminated string");
}

uint32_t roundUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

bool PeSection::readable() const { return (characteristics & kScnRead) != 0; }
bool PeSection::writable() const { return (characteristics & kScnWrite) != 0; }
bool PeSection::executable() const { return (characteristics & kScnExecute) != 0; }

std::string PeImport::describe() const {
  return module + "!" + (ordinal ? "#" + std::to_string(*ordinal) : name);
}

PeImage PeImage::parse(const Bytes& file) {
  PeImage image;
  if (get16(file, 0, "the DOS header") != kDosMagic) throw PeError("no MZ signature");
  const uint32_t pe = get32(file, kDosNewHeaderAt, "the DOS header");
  if (get32(file, pe, "the PE signature") != kPeSignature) throw PeError("no PE signature");
  if (get16(file, pe + kMachineAt, "the file header") != kMachineI386) {
    throw PeError("not an x86 (i386) image");
  }
  const uint16_t sectionCount = get16(file, pe + kSectionCountAt, "the file header");
  const uint16_t optionalSize = get16(file, pe + kOptionalSizeAt, "the file header");
  const uint16_t fileFlags = get16(file, pe + kCharacteristicsAt, "the file header");
  if ((fileFlags & kFileDll) == 0) throw PeError("not a DLL");
  image.relocatable_ = (fileFlags & kFileRelocsStripped) == 0;

  const uint32_t opt = pe + kOptionalAt;
  if (get16(file, opt, "the optional header") != kOptionalMagicPe32) {
    throw PeError("not a PE32 image (optional header magic)");
  }
  image.entryRva_ = get32(file, opt + kEntryAt, "the optional header");
  image.preferredBase_ = get32(file, opt + kImageBaseAt, "the optional header");
  const uint32_t sectionAlignment = get32(file, opt + kSectionAlignmentAt, "the optional header");
  const uint32_t fileAlignment = get32(file, opt + kFileAlignmentAt, "the optional header");
  image.sizeOfImage_ = get32(file, opt + kSizeOfImageAt, "the optional header");
  image.headerSize_ = get32(file, opt + kSizeOfHeadersAt, "the optional header");
  const uint32_t directoryCount = get32(file, opt + kDirectoryCountAt, "the optional header");
  if (sectionAlignment % kPageSize != 0 || image.sizeOfImage_ % kPageSize != 0 ||
      image.preferredBase_ % kPageSize != 0) {
    throw PeError("sections are not page-aligned (section alignment " + hex(sectionAlignment) +
                  ")");
  }
  if (fileAlignment == 0 || image.headerSize_ > file.size() ||
      image.headerSize_ > image.sizeOfImage_) {
    throw PeError("malformed optional header");
  }

  image.memory_.assign(image.sizeOfImage_, 0);
  std::copy_n(file.begin(), image.headerSize_, image.memory_.begin());

  const uint32_t sectionTable = opt + optionalSize;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const uint32_t at = sectionTable + i * kSectionHeaderSize;
    PeSection section;
    if (at + kSectionHeaderSize > file.size()) throw PeError("section table is truncated");
    for (uint32_t c = 0; c < kSectionNameSize && file[at + c] != 0; ++c) {
      section.name += static_cast<char>(file[at + c]);
    }
    const uint32_t virtualSize = get32(file, at + kSectionVirtualSizeAt, "a section header");
    section.rva = get32(file, at + kSectionRvaAt, "a section header");
    section.rawSize = get32(file, at + kSectionRawSizeAt, "a section header");
    section.rawOffset = get32(file, at + kSectionRawOffsetAt, "a section header");
    section.characteristics = get32(file, at + kSectionCharacteristicsAt, "a section header");
    const uint32_t extent = virtualSize != 0 ? virtualSize : section.rawSize;
    section.virtualSize = roundUp(extent, sectionAlignment);
    if (section.rva % sectionAlignment != 0 ||
        static_cast<uint64_t>(section.rva) + section.virtualSize > image.sizeOfImage_) {
      throw PeError("section " + section.name + " lies outside the image");
    }
    const uint32_t copied = std::min(section.rawSize, extent);
    if (static_cast<uint64_t>(section.rawOffset) + copied > file.size()) {
      throw PeError("section " + section.name + " runs past the end of the file");
    }
    std::copy_n(file.begin() + section.rawOffset, copied, image.memory_.begin() + section.rva);
    image.sections_.push_back(section);
  }

  auto directory = [&](uint32_t index, uint32_t& rva, uint32_t& size) {
    rva = size = 0;
    if (index >= directoryCount) return false;
    rva = get32(file, opt + kDirectoriesAt + index * kDirectorySize, "the data directories");
    size = get32(file, opt + kDirectoriesAt + index * kDirectorySize + 4, "the data directories");
    return rva != 0 && size != 0;
  };
  const Bytes& m = image.memory_;
  uint32_t rva = 0;
  uint32_t size = 0;

  if (directory(kExportDirectory, rva, size)) {
    image.exportModuleName_ = getString(m, get32(m, rva + kExportNameAt, "exports"), "module name");
    image.ordinalBase_ = get32(m, rva + kExportBaseAt, "exports");
    const uint32_t functions = get32(m, rva + kExportFunctionCountAt, "exports");
    const uint32_t names = get32(m, rva + kExportNameCountAt, "exports");
    const uint32_t functionTable = get32(m, rva + kExportFunctionsAt, "exports");
    const uint32_t nameTable = get32(m, rva + kExportNamesAt, "exports");
    const uint32_t ordinalTable = get32(m, rva + kExportNameOrdinalsAt, "exports");
    for (uint32_t i = 0; i < functions; ++i) {
      const uint32_t target = get32(m, functionTable + 4 * i, "the export address table");
      if (target == 0) continue;
      if (target >= rva && target < rva + size) {
        throw PeError("ordinal " + std::to_string(image.ordinalBase_ + i) + " is forwarded");
      }
      image.exports_.push_back({image.ordinalBase_ + i, "", target});
    }
    for (uint32_t i = 0; i < names; ++i) {
      const std::string name =
          getString(m, get32(m, nameTable + 4 * i, "the export name table"), "export name");
      const uint32_t ordinal = image.ordinalBase_ + get16(m, ordinalTable + 2 * i, "ordinals");
      auto it = std::find_if(image.exports_.begin(), image.exports_.end(),
                             [&](const PeExport& e) { return e.ordinal == ordinal; });
      if (it == image.exports_.end()) {
        throw PeError("export " + name + " names ordinal " + std::to_string(ordinal) +
                      ", which has no address");
      }
      if (!it->name.empty()) throw PeError("ordinal " + std::to_string(ordinal) + " has two names");
      it->name = name;
    }
  }

  if (directory(kImportDirectory, rva, size)) {
    for (uint32_t d = rva;; d += kImportDescriptorSize) {
      const uint32_t lookup = get32(m, d + kImportLookupAt, "an import descriptor");
      const uint32_t nameRva = get32(m, d + kImportNameAt, "an import descriptor");
      const uint32_t slots = get32(m, d + kImportSlotsAt, "an import descriptor");
      if (nameRva == 0 && slots == 0) break;
      const std::string module = getString(m, nameRva, "imported module name");
      const uint32_t thunks = lookup != 0 ? lookup : slots;
      for (uint32_t t = 0;; t += 4) {
        const uint32_t thunk = get32(m, thunks + t, "an import lookup table");
        if (thunk == 0) break;
        PeImport import;
        import.module = module;
        import.slotRva = slots + t;
        if (thunk & kImportByOrdinal) {
          import.ordinal = static_cast<uint16_t>(thunk & kImportOrdinalMask);
        } else {
          import.name = getString(m, thunk + kHintSize, "imported name");
        }
        image.imports_.push_back(import);
      }
    }
  }

  if (directory(kRelocationDirectory, rva, size)) {
    for (uint32_t block = rva; block < rva + size;) {
      const uint32_t page = get32(m, block, "a relocation block");
      const uint32_t blockSize = get32(m, block + 4, "a relocation block");
      if (blockSize < kRelocationBlockHeader || blockSize % 2 != 0) {
        throw PeError("malformed relocation block at RVA " + hex(block));
      }
      for (uint32_t e = kRelocationBlockHeader; e < blockSize; e += 2) {
        const uint16_t entry = get16(m, block + e, "a relocation entry");
        const int type = entry >> kRelocationTypeShift;
        const uint32_t target = page + (entry & kRelocationOffsetMask);
        if (type == kRelocationAbsolute) continue;
        if (type != kRelocationHighLow) {
          throw PeError("relocation of type " + std::to_string(type) + " at RVA " + hex(target) +
                        " is not one a PE32 image uses");
        }
        if (static_cast<uint64_t>(target) + 4 > image.sizeOfImage_) {
          throw PeError("relocation at RVA " + hex(target) + " lies outside the image");
        }
        image.relocations_.push_back(target);
      }
      block += blockSize;
    }
  } else {
    // Without relocation blocks the image can only be loaded where it asks.
    image.relocatable_ = false;
  }
  return image;
}

const PeExport* PeImage::exportByName(const std::string& name) const {
  for (const PeExport& e : exports_) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

const PeExport* PeImage::exportByOrdinal(uint32_t ordinal) const {
  for (const PeExport& e : exports_) {
    if (e.ordinal == ordinal) return &e;
  }
  return nullptr;
}

const PeSection* PeImage::sectionAt(uint32_t rva) const {
  for (const PeSection& s : sections_) {
    if (rva >= s.rva && rva - s.rva < s.virtualSize) return &s;
  }
  return nullptr;
}

std::optional<uint32_t> PeImage::fileOffset(uint32_t rva) const {
  const PeSection* s = sectionAt(rva);
  if (s == nullptr || rva - s->rva >= s->rawSize) return std::nullopt;
  return s->rawOffset + (rva - s->rva);
}

Bytes PeImage::layout(uint32_t base, bool applyRelocations) const {
  Bytes out = memory_;
  const uint32_t delta = base - preferredBase_;
  if (delta == 0 || !applyRelocations) return out;
  if (!relocatable_) {
    throw PeError("the image has no base relocations and cannot be loaded at " + hex(base));
  }
  for (uint32_t at : relocations_) put32(out, at, get32(out, at, "a relocation") + delta);
  return out;
}

}  // namespace vexa::emulator
