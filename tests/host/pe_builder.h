// Builds small PE images in memory: a DOS header, NT headers (PE32 or PE32+),
// a section table and one export section holding the export directory, the
// ordinal array, the name-RVA array and the names. Tests change single fields
// afterwards with Put16/Put32 to make the malformed cases.
#pragma once

#include <cstdint>
#include <string>
#include <algorithm>
#include <vector>

struct Section {
    uint32_t virtualAddress;
    uint32_t sizeOfRawData;
    uint32_t pointerToRawData;
};

struct DllLayout {
    bool pe32Plus = false;
    uint32_t base = 1;
    std::vector<std::string> names = {"alpha", "beta", "gamma"};
    std::vector<uint16_t> ordinals = {0, 1, 2}; // unbiased, parallel to names
    // The export section: the builder fills it at exportSection.
    Section exportSection = {0x2000, 0x200, 0x400};
    // Further (empty) sections; all are sorted by address in the table.
    std::vector<Section> otherSections = {{0x1000, 0x200, 0x200}};
};

// Offsets of the fields the tests poke at.
enum : uint32_t {
    Lfanew = 0x40,
    NtAt = Lfanew,
    SectionTableAt = NtAt + 248, // PE32; PE32+ adds 16
    DirAt = 0,                   // within the export section
};

inline void Put16(std::string &image, size_t at, uint32_t value)
{
    if (image.size() < at + 2)
        image.resize(at + 2);
    image[at] = char(value);
    image[at + 1] = char(value >> 8);
}

inline void Put32(std::string &image, size_t at, uint32_t value)
{
    Put16(image, at, value & 0xFFFF);
    Put16(image, at + 2, value >> 16);
}

inline void PutString(std::string &image, size_t at, const std::string &text)
{
    if (image.size() < at + text.size() + 1)
        image.resize(at + text.size() + 1);
    image.replace(at, text.size() + 1, text.c_str(), text.size() + 1);
}

struct Built {
    std::string image;
    uint32_t sectionTableAt;
    uint32_t exportRvaAt;   // the data directory's export RVA field
    uint32_t directoryAt;   // file offset of the export directory
    uint32_t ordinalsAt;    // file offsets of the two arrays
    uint32_t nameRvasAt;
    std::vector<uint32_t> namesAt;
};

inline Built BuildDll(const DllLayout &layout)
{
    Built b;
    std::string &image = b.image;
    image.assign(0x400, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 60, Lfanew);

    uint32_t optSize = layout.pe32Plus ? 240 : 224;
    std::vector<Section> sections = layout.otherSections;
    sections.push_back(layout.exportSection);
    std::sort(sections.begin(), sections.end(),
              [](const Section &a, const Section &b) { return a.virtualAddress < b.virtualAddress; });

    image.replace(NtAt, 4, "PE\0\0", 4);
    Put16(image, NtAt + 4, layout.pe32Plus ? 0x8664 : 0x14C);
    Put16(image, NtAt + 6, (uint32_t)sections.size());
    Put16(image, NtAt + 20, optSize);
    Put16(image, NtAt + 24, layout.pe32Plus ? 0x20B : 0x10B);
    uint32_t dataDirs = NtAt + 24 + (layout.pe32Plus ? 112 : 96);
    Put32(image, NtAt + 24 + (layout.pe32Plus ? 108 : 92), 16);
    b.exportRvaAt = dataDirs;
    Put32(image, dataDirs, layout.exportSection.virtualAddress + DirAt);

    b.sectionTableAt = NtAt + 24 + optSize;
    for (size_t i = 0; i < sections.size(); i++) {
        size_t at = b.sectionTableAt + 40 * i;
        image.replace(at, 8, ".sect\0\0\0", 8);
        Put32(image, at + 12, sections[i].virtualAddress);
        Put32(image, at + 16, sections[i].sizeOfRawData);
        Put32(image, at + 20, sections[i].pointerToRawData);
    }

    const Section &s = layout.exportSection;
    uint32_t raw = s.pointerToRawData;
    uint32_t n = (uint32_t)layout.names.size();
    uint32_t ordinalsRva = s.virtualAddress + 40;
    uint32_t nameRvasRva = ordinalsRva + 2 * n;
    uint32_t nextName = nameRvasRva + 4 * n;
    b.directoryAt = raw + DirAt;
    b.ordinalsAt = raw + 40;
    b.nameRvasAt = b.ordinalsAt + 2 * n;
    if (image.size() < raw + s.sizeOfRawData)
        image.resize(raw + s.sizeOfRawData);
    Put32(image, b.directoryAt + 16, layout.base);
    Put32(image, b.directoryAt + 20, n);
    Put32(image, b.directoryAt + 24, n);
    Put32(image, b.directoryAt + 32, nameRvasRva);
    Put32(image, b.directoryAt + 36, ordinalsRva);
    for (uint32_t i = 0; i < n; i++) {
        Put16(image, b.ordinalsAt + 2 * i, layout.ordinals[i]);
        Put32(image, b.nameRvasAt + 4 * i, nextName);
        uint32_t at = nextName - s.virtualAddress + raw;
        b.namesAt.push_back(at);
        PutString(image, at, layout.names[i]);
        nextName += (uint32_t)layout.names[i].size() + 1;
    }
    return b;
}
