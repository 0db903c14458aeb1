#pragma once
// The container layer of a DWG file: where the header variables, the classes,
// the object map and the objects are. R13-R2000 files hold them at absolute
// offsets; 2004+ files hold them in compressed, paged sections that are
// reassembled here into plain buffers.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "cad/dwg/DwgBitReader.h"

namespace cad::dwg {

struct DwgClass {
    int number = 0;
    std::string dxfName;
    std::string cppName;
    bool isEntity = false;
};

struct ObjectLoc {
    std::uint64_t handle = 0;
    std::uint64_t offset = 0; // into DwgFile::objects
};

struct DwgFile {
    Ver ver = Ver::R2000;
    std::string versionCode;
    int codePage = 0;
    int maintenance = 0;

    // Header variables and classes: the bytes after the start sentinel and
    // the size field, `size` bytes long (copies for 2004+, views for older).
    std::vector<std::uint8_t> headerData;
    std::vector<std::uint8_t> classData;
    std::vector<DwgClass> classes; // indexed by number - 500 where possible
    std::vector<ObjectLoc> objectMap;

    // Object records: the whole file (R13-R2000) or the reassembled
    // AcDbObjects section (2004+).
    const std::uint8_t* objects = nullptr;
    std::size_t objectsSize = 0;
    std::vector<std::uint8_t> objectsStore;

    // Problems met that did not stop the load, by kind.
    std::map<std::string, int> problems;

    const DwgClass* classFor(unsigned type) const;
};

// Version from the first six bytes; false for anything this reader cannot take.
bool versionFromCode(const std::string& code, Ver& out);

// Fills `f` from the file bytes, throwing DwgError when the structure is unusable.
void readR13Structure(const std::uint8_t* data, std::size_t size, DwgFile& f);
void readR2004Structure(const std::uint8_t* data, std::size_t size, DwgFile& f);

// Parses a class section body (shared by both containers).
void parseClasses(DwgFile& f, const CodePage* cp);
// Parses an object map body (shared by both containers).
void parseObjectMap(const std::uint8_t* data, std::size_t size, DwgFile& f);

} // namespace cad::dwg
