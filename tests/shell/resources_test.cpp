// The resources as Quorrin.exe carries them, read back from the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/ids.h"
#include "tests/support/support.h"

namespace {

const WORD Japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

class Resources : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryExA(qt::QuorrinExe().c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override { FreeLibrary(module); }

    // The raw bytes of one resource in Japanese; empty when missing.
    std::string Raw(LPCSTR type, LPCSTR name)
    {
        HRSRC found = FindResourceExA(module, type, name, Japanese);
        if (!found)
            return std::string();
        const char *data = (const char *)LockResource(LoadResource(module, found));
        return std::string(data, SizeofResource(module, found));
    }

    HMODULE module = nullptr;
};

unsigned U16(const std::string &bytes, size_t at)
{
    return (unsigned char)bytes[at] | (unsigned char)bytes[at + 1] << 8;
}

unsigned U32(const std::string &bytes, size_t at)
{
    return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

// A menu's items, each as "id text" ("-" for a separator), with its state
// when the item is checked, greyed or disabled.
std::vector<std::string> Items(HMENU menu)
{
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        if (info.fType & MFT_SEPARATOR)
            items.push_back("-");
        else
            items.push_back(std::to_string(info.wID) + " " + text +
                            (info.fState ? " state " + std::to_string(info.fState) : ""));
    }
    return items;
}

TEST_F(Resources, MenuHasTwoPopupsWithTheirItemsSeparatorsAndCp932Texts)
{
    HMENU menu = LoadMenuA(module, "QUORRIN_MENU");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    char title[64] = {};
    GetMenuStringA(menu, 0, title, sizeof title, MF_BYPOSITION);
    EXPECT_EQ(std::string(title), "ファイル(&F)");
    GetMenuStringA(menu, 1, title, sizeof title, MF_BYPOSITION);
    EXPECT_EQ(std::string(title), "ヘルプ(&H)");
    auto item = [](int id, const char *text) { return std::to_string(id) + " " + text; };
    EXPECT_EQ(Items(GetSubMenu(menu, 0)),
              (std::vector<std::string>{item(IDM_OPEN, "DLLファイルを開く(&O)\tCtrl+O"), "-",
                                        item(IDM_SYSFOLDER, "システムフォルダ(&S)\tCtrl+S"), "-",
                                        item(IDM_EXIT, "終了(&E)\tCtrl+E")}));
    EXPECT_EQ(Items(GetSubMenu(menu, 1)),
              (std::vector<std::string>{item(IDM_HELP, "ヘルプファイル(&H)\tCtrl+H"), "-",
                                        item(IDM_ABOUT, "バージョン情報(&E)\tCtrl+A")}));
    DestroyMenu(menu);
}

TEST_F(Resources, AcceleratorTableStoresFiveCtrlEntriesInOrderWithTheEndFlagLast)
{
    std::string raw = Raw(RT_ACCELERATOR, "QUORRIN_ACCELERATOR");
    struct Entry {
        unsigned flags, key, id;
    } expected[] = {{0x0B, 'A', IDM_ABOUT}, {0x0B, 'E', IDM_EXIT}, {0x0B, 'H', IDM_HELP},
                    {0x0B, 'O', IDM_OPEN},  {0x8B, 'S', IDM_SYSFOLDER}};
    // Stored entries: flags, key, command id and padding, a WORD each.
    ASSERT_EQ(raw.size(), 5 * 8u);
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i + 1));
        EXPECT_EQ(U16(raw, i * 8), expected[i].flags);
        EXPECT_EQ(U16(raw, i * 8 + 2), expected[i].key);
        EXPECT_EQ(U16(raw, i * 8 + 4), expected[i].id);
    }
    HACCEL table = LoadAcceleratorsA(module, "QUORRIN_ACCELERATOR");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 5);
}

TEST_F(Resources, IconGroupHasOne32x32SixteenColourImage)
{
    std::string group = Raw(RT_GROUP_ICON, "QUORRIN_ICON");
    // Directory: reserved, type 1, count; one 14-byte entry.
    ASSERT_EQ(group.size(), 6 + 14u);
    EXPECT_EQ(U16(group, 2), 1u);
    EXPECT_EQ(U16(group, 4), 1u);
    EXPECT_EQ((unsigned char)group[6], 32);  // width
    EXPECT_EQ((unsigned char)group[7], 32);  // height
    EXPECT_EQ((unsigned char)group[8], 16);  // colours
    EXPECT_EQ(U16(group, 10), 1u);           // planes
    EXPECT_EQ(U16(group, 12), 4u);           // bits per pixel
    EXPECT_EQ(U16(group, 18), 1u);           // image id

    std::string image = Raw(RT_ICON, MAKEINTRESOURCEA(1));
    // BITMAPINFOHEADER, 16 palette entries, 4-bit pixels and the AND mask.
    ASSERT_EQ(image.size(), 40 + 64 + 512 + 128u);
    EXPECT_EQ(U32(image, 4), 32u);
    EXPECT_EQ(U32(image, 8), 64u); // image and mask
    EXPECT_EQ(U16(image, 14), 4u);
    EXPECT_EQ(U32(group, 14), image.size());
    EXPECT_NE(LoadIconA(module, "QUORRIN_ICON"), nullptr);
}

// One node of the version block: key, value bytes and children.
struct VersionNode {
    std::string key; // ASCII keys
    std::string value;
    bool text = false;
    std::vector<VersionNode> children;
};

size_t Align4(size_t at)
{
    return (at + 3) & ~size_t(3);
}

VersionNode ParseVersion(const std::string &raw, size_t at)
{
    VersionNode node;
    size_t length = U16(raw, at), valueLength = U16(raw, at + 2);
    node.text = U16(raw, at + 4) == 1;
    size_t p = at + 6;
    for (; U16(raw, p) != 0; p += 2)
        node.key += (char)U16(raw, p);
    p = Align4(p + 2);
    size_t valueBytes = node.text ? valueLength * 2 : valueLength;
    node.value = raw.substr(p, valueBytes);
    p = Align4(p + valueBytes);
    while (p < at + length) {
        node.children.push_back(ParseVersion(raw, p));
        p = Align4(p + U16(raw, p));
    }
    return node;
}

std::string Utf16(const char *ascii)
{
    std::string out;
    for (const char *c = ascii; *c; ++c)
        out += std::string{*c, '\0'};
    return out + std::string(2, '\0'); // with its terminator
}

TEST_F(Resources, VersionBlockHasItsFixedFieldsAndStringsInOrder)
{
    std::string raw = Raw(RT_VERSION, MAKEINTRESOURCEA(1));
    ASSERT_FALSE(raw.empty());
    VersionNode root = ParseVersion(raw, 0);
    EXPECT_EQ(root.key, "VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    // Signature, structure version, file and product versions, flags mask,
    // flags, OS (VOS_NT_WINDOWS32), type (VFT_APP), subtype, date.
    const DWORD fixed[] = {0xFEEF04BD, 0x00010000, 0x00010000, 1, 0x00010000, 1, 0x3F, 0,
                           0x00040004, 1, 0, 0, 0};
    for (size_t i = 0; i < 13; ++i)
        EXPECT_EQ(U32(root.value, i * 4), fixed[i]) << "fixed field " << i;

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode &strings = root.children[0];
    EXPECT_EQ(strings.key, "StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    const VersionNode &table = strings.children[0];
    EXPECT_EQ(table.key, "041104b0");
    const char *product = "Quorrin for Windows95", *version = "1, 0, 0, 1";
    const struct {
        const char *key, *value; // null: any text that is not empty
    } expected[] = {{"CompanyName", nullptr}, {"FileDescription", product},
                    {"FileVersion", version}, {"InternalName", "Quorrin"},
                    {"LegalCopyright", nullptr}, {"OriginalFilename", "Quorrin.exe"},
                    {"ProductName", product}, {"ProductVersion", version}};
    ASSERT_EQ(table.children.size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(expected[i].key);
        EXPECT_EQ(table.children[i].key, expected[i].key);
        EXPECT_TRUE(table.children[i].text);
        EXPECT_GT(table.children[i].value.size(), 2u) << "empty";
        if (expected[i].value) {
            EXPECT_EQ(table.children[i].value, Utf16(expected[i].value));
        }
    }

    const VersionNode &vars = root.children[1];
    EXPECT_EQ(vars.key, "VarFileInfo");
    ASSERT_EQ(vars.children.size(), 1u);
    EXPECT_EQ(vars.children[0].key, "Translation");
    EXPECT_EQ(vars.children[0].value, std::string("\x11\x04\xb0\x04", 4));

    // The system reads the same description.
    std::string exe = qt::QuorrinExe();
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), nullptr);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));
    char *description = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\041104b0\\FileDescription",
                               (void **)&description, &length));
    EXPECT_STREQ(description, "Quorrin for Windows95");
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    ((std::vector<WORD> *)found)->push_back(language);
    return TRUE;
}

TEST_F(Resources, EveryResourceIsStoredInJapaneseOnly)
{
    struct {
        LPCSTR type, name;
    } resources[] = {{RT_ICON, MAKEINTRESOURCEA(1)},
                     {RT_MENU, "QUORRIN_MENU"},
                     {RT_ACCELERATOR, "QUORRIN_ACCELERATOR"},
                     {RT_GROUP_ICON, "QUORRIN_ICON"},
                     {RT_VERSION, MAKEINTRESOURCEA(1)}};
    for (const auto &resource : resources) {
        std::vector<WORD> languages;
        EnumResourceLanguagesA(module, resource.type, resource.name, CollectLanguage,
                               (LONG_PTR)&languages);
        EXPECT_EQ(languages, std::vector<WORD>{Japanese})
            << "type " << (UINT_PTR)resource.type;
    }
}

} // namespace
