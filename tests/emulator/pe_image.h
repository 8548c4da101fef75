// A PE32 image read from its file: headers, sections, base relocations,
// imports and exports, and the image laid out in memory at any base.
#pragma once

#include <stdint.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexa::emulator {

using Bytes = std::vector<uint8_t>;

class PeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PeSection {
  std::string name;
  uint32_t rva = 0;
  uint32_t virtualSize = 0;  // rounded up to the section alignment
  uint32_t characteristics = 0;
  uint32_t rawOffset = 0;  // where its initialised bytes lie in the file
  uint32_t rawSize = 0;
  bool readable() const;
  bool writable() const;
  bool executable() const;
};

struct PeImport {
  std::string module;
  std::string name;                 // empty when imported by ordinal
  std::optional<uint16_t> ordinal;  // set when imported by ordinal
  uint32_t slotRva = 0;             // the import address table slot the loader fills
  std::string describe() const;     // "KERNEL32.dll!LoadLibraryA"
};

struct PeExport {
  uint32_t ordinal = 0;
  std::string name;  // empty for an export by ordinal only
  uint32_t rva = 0;
};

class PeImage {
 public:
  // Reads a PE32 x86 image; throws PeError naming what is wrong.
  static PeImage parse(const Bytes& file);

  uint32_t preferredBase() const { return preferredBase_; }
  uint32_t sizeOfImage() const { return sizeOfImage_; }
  uint32_t headerSize() const { return headerSize_; }
  uint32_t entryRva() const { return entryRva_; }
  const std::vector<PeSection>& sections() const { return sections_; }
  const std::vector<PeImport>& imports() const { return imports_; }
  const std::vector<PeExport>& exports() const { return exports_; }
  const std::string& exportModuleName() const { return exportModuleName_; }
  uint32_t ordinalBase() const { return ordinalBase_; }
  // RVAs of the 32-bit words that base relocations adjust.
  const std::vector<uint32_t>& relocations() const { return relocations_; }
  bool relocatable() const { return relocatable_; }

  const PeExport* exportByName(const std::string& name) const;
  const PeExport* exportByOrdinal(uint32_t ordinal) const;
  const PeSection* sectionAt(uint32_t rva) const;
  // The file offset of an RVA inside a section's raw data.
  std::optional<uint32_t> fileOffset(uint32_t rva) const;

  // The image as it lies in memory at `base`: headers and sections in place,
  // uninitialised data zero, relocations applied unless told otherwise.
  // Import slots are left as the file has them.
  Bytes layout(uint32_t base, bool applyRelocations = true) const;

 private:
  Bytes memory_;  // laid out at the preferred base
  uint32_t preferredBase_ = 0;
  uint32_t sizeOfImage_ = 0;
  uint32_t headerSize_ = 0;
  uint32_t entryRva_ = 0;
  uint32_t ordinalBase_ = 0;
  bool relocatable_ = false;
  std::string exportModuleName_;
  std::vector<PeSection> sections_;
  std::vector<PeImport> imports_;
  std::vector<PeExport> exports_;
  std::vector<uint32_t> relocations_;
};

}  // namespace vexa::emulator
