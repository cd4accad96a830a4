// The resources as SetUp.exe carries them: template 141 item by item, the two pictures, the
// icon and the manifest. Loaded from the built program as a data file.
#include <gtest/gtest.h>

#include "platform/win32/windows_api.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/res/resource.h"

namespace {

struct Module {
  Module() {
    std::string path = VELMAR_SETUP_EXE;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    handle = ::LoadLibraryExA(path.c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  }
  ~Module() {
    if (handle) ::FreeLibrary(handle);
  }
  std::string Resource(LPCSTR type, int id) const {
    HRSRC found = ::FindResourceA(handle, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    const void* data = ::LockResource(::LoadResource(handle, found));
    return std::string(static_cast<const char*>(data), ::SizeofResource(handle, found));
  }
  HMODULE handle;
};

// A name or an ordinal, as templates store them.
struct NameOrOrdinal {
  std::u16string name;
  int ordinal = -1;
};

class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}
  template <typename T>
  T Get() {
    T value{};
    if (pos_ + sizeof(T) <= bytes_.size()) std::memcpy(&value, bytes_.data() + pos_, sizeof(T));
    pos_ += sizeof(T);
    return value;
  }
  std::u16string String() {
    std::u16string s;
    for (char16_t c; (c = Get<char16_t>()) != 0 && pos_ <= bytes_.size();) s += c;
    return s;
  }
  NameOrOrdinal NameOrOrd() {
    NameOrOrdinal n;
    if (pos_ + 2 <= bytes_.size() && static_cast<unsigned char>(bytes_[pos_]) == 0xFF &&
        static_cast<unsigned char>(bytes_[pos_ + 1]) == 0xFF) {
      pos_ += 2;
      n.ordinal = Get<uint16_t>();
    } else {
      n.name = String();
    }
    return n;
  }
  void AlignDword() { pos_ = (pos_ + 3) & ~std::size_t{3}; }

 private:
  const std::string& bytes_;
  std::size_t pos_ = 0;
};

struct Item {
  uint32_t exStyle, style;
  int16_t x, y, cx, cy;
  int32_t id;
  NameOrOrdinal cls, text;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCheck = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kPush = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kLabel = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kLine = kChild | SS_ETCHEDHORZ;
constexpr int kButton = 0x80, kEdit = 0x81, kStatic = 0x82;

struct Expected {
  int id;
  int cls;  // atom, or 0 for the progress bar's class name
  int x, y, cx, cy;
  std::u16string text;
  int picture;  // bitmap ordinal of a picture, else 0
  DWORD style;
};

const std::vector<Expected>& ExpectedItems() {
  static const std::vector<Expected> items = {
      {1018, kButton, 18, 81, 74, 10, u"For AutoCAD2007", 0, kCheck},
      {1019, kButton, 18, 101, 74, 10, u"For AutoCAD2008", 0, kCheck},
      {1020, kButton, 18, 121, 74, 10, u"For AutoCAD2009", 0, kCheck},
      {1027, kButton, 18, 141, 74, 10, u"For AutoCAD2010", 0, kCheck},
      {1026, kButton, 18, 161, 74, 10, u"For AutoCAD2011", 0, kCheck},
      {1028, kButton, 18, 181, 74, 10, u"For AutoCAD2012", 0, kCheck},
      {1029, kButton, 104, 81, 74, 10, u"For AutoCAD2013", 0, kCheck},
      {1030, kButton, 104, 101, 74, 10, u"For AutoCAD2014", 0, kCheck},
      {1031, kButton, 104, 121, 74, 10, u"For AutoCAD2015", 0, kCheck},
      {1032, kButton, 104, 141, 74, 10, u"For AutoCAD2016", 0, kCheck},
      {1033, kButton, 104, 161, 74, 10, u"For AutoCAD2017", 0, kCheck},
      {1034, kButton, 104, 181, 74, 10, u"For AutoCAD2018", 0, kCheck},
      {1035, kButton, 190, 61, 74, 10, u"For AutoCAD2019", 0, kCheck},
      {1036, kButton, 190, 81, 74, 10, u"For AutoCAD2020", 0, kCheck},
      {1037, kButton, 190, 101, 74, 10, u"For AutoCAD2021", 0, kCheck},
      {1038, kButton, 190, 121, 74, 10, u"For AutoCAD2022", 0, kCheck},
      {1039, kButton, 190, 141, 74, 10, u"For AutoCAD2023", 0, kCheck},
      {1040, kButton, 190, 161, 74, 10, u"For AutoCAD2024", 0, kCheck},
      {1041, kButton, 190, 181, 74, 10, u"For AutoCAD2025", 0, kCheck},
      {1, kButton, 110, 214, 63, 14, u"安装完成", 0, kPush},
      {2, kButton, 173, 262, 50, 14, u"取  消", 0, kPush | WS_VISIBLE},
      {1013, kStatic, 67, 22, 205, 10, u"Velmar批打印软件 V%d.%d.%d (%d位版本)", 0, kLabel},
      {-1, kStatic, 0, 206, 286, 1, u"", 0, kLine},
      {1016, kStatic, 14, 62, 69, 10, u"请选择安装组件：", 0, kLabel},
      {-1, kStatic, 0, 51, 286, 1, u"", 0, kLine},
      {-1, kStatic, 13, 2, 43, 43, u"", 147, kChild | SS_BITMAP},
      {1000, kEdit, 13, 233, 202, 12, u"", 0,
       kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
      {1015, kButton, 221, 231, 51, 13, u"浏览...", 0, kPush | WS_VISIBLE},
      {1014, 0, 13, 236, 256, 6, u"Progress1", 0, WS_CHILD | WS_BORDER},
      {1017, kStatic, 14, 215, 71, 9, u"请选择安装路径：", 0, kLabel},
      {-1, kStatic, 0, 255, 286, 1, u"", 0, kLine},
      {1021, kStatic, 39, 78, 205, 117, u"", 151, WS_CHILD | SS_BITMAP},
      {1022, kButton, 60, 263, 50, 13, u"安  装", 0, kPush | WS_VISIBLE},
      {1023, kStatic, 47, 62, 190, 10, u"安装完成！重启CAD，CAD菜单尾会有以下子菜单：", 0,
       WS_CHILD | WS_GROUP | SS_CENTER},
  };
  return items;
}

std::u16string Lower(std::u16string s) {
  for (char16_t& c : s) {
    if (c >= u'A' && c <= u'Z') c = c - u'A' + u'a';
  }
  return s;
}

TEST(SetupResources, Template141) {
  Module setup;
  ASSERT_NE(setup.handle, nullptr) << VELMAR_SETUP_EXE;
  const std::string bytes = setup.Resource(MAKEINTRESOURCEA(5), IDD_SETUP);  // RT_DIALOG
  ASSERT_FALSE(bytes.empty());
  Reader r(bytes);
  EXPECT_EQ(r.Get<uint16_t>(), 1);       // extended template
  EXPECT_EQ(r.Get<uint16_t>(), 0xFFFF);
  EXPECT_EQ(r.Get<uint32_t>(), 0u);      // help id
  EXPECT_EQ(r.Get<uint32_t>(), static_cast<uint32_t>(WS_EX_CLIENTEDGE));
  EXPECT_EQ(r.Get<uint32_t>(), static_cast<uint32_t>(WS_POPUP | WS_CAPTION | WS_SYSMENU |
                                                     WS_MINIMIZEBOX | DS_MODALFRAME |
                                                     DS_SETFONT));
  const uint16_t count = r.Get<uint16_t>();
  EXPECT_EQ(count, 34);
  EXPECT_EQ(r.Get<int16_t>(), 0);
  EXPECT_EQ(r.Get<int16_t>(), 0);
  EXPECT_EQ(r.Get<int16_t>(), 283);
  EXPECT_EQ(r.Get<int16_t>(), 283);
  const NameOrOrdinal menu = r.NameOrOrd();
  EXPECT_TRUE(menu.name.empty() && menu.ordinal == -1);
  const NameOrOrdinal cls = r.NameOrOrd();
  EXPECT_TRUE(cls.name.empty() && cls.ordinal == -1);
  EXPECT_EQ(r.String(), u"Velmar批打印软件安装");
  EXPECT_EQ(r.Get<uint16_t>(), 9);  // points
  EXPECT_EQ(r.Get<uint16_t>(), 0);  // weight
  EXPECT_EQ(r.Get<uint8_t>(), 0);   // italic
  EXPECT_EQ(r.Get<uint8_t>(), 1);   // character set
  EXPECT_EQ(r.String(), u"宋体");

  const std::vector<Expected>& expected = ExpectedItems();
  ASSERT_EQ(expected.size(), 34u);
  for (std::size_t i = 0; i < count && i < expected.size(); ++i) {
    const Expected& e = expected[i];
    SCOPED_TRACE(testing::Message() << "item " << i + 1 << ", id " << e.id);
    r.AlignDword();
    EXPECT_EQ(r.Get<uint32_t>(), 0u);  // help id
    EXPECT_EQ(r.Get<uint32_t>(), 0u);  // extended style
    EXPECT_EQ(r.Get<uint32_t>(), static_cast<uint32_t>(e.style));
    EXPECT_EQ(r.Get<int16_t>(), e.x);
    EXPECT_EQ(r.Get<int16_t>(), e.y);
    EXPECT_EQ(r.Get<int16_t>(), e.cx);
    EXPECT_EQ(r.Get<int16_t>(), e.cy);
    EXPECT_EQ(r.Get<int32_t>(), e.id);
    const NameOrOrdinal itemClass = r.NameOrOrd();
    if (e.cls != 0) {
      EXPECT_EQ(itemClass.ordinal, e.cls);
    } else {
      // windres stores class names in capitals; window classes match without letter case.
      EXPECT_EQ(Lower(itemClass.name), u"msctls_progress32");
    }
    const NameOrOrdinal text = r.NameOrOrd();
    if (e.picture != 0) {
      EXPECT_EQ(text.ordinal, e.picture);
    } else {
      EXPECT_EQ(text.ordinal, -1);
      EXPECT_EQ(text.name, e.text);
    }
    EXPECT_EQ(r.Get<uint16_t>(), 0);  // no creation data
  }
}

struct BitmapCase {
  int id;
  int width, height, bits, colours;
};

TEST(SetupResources, Pictures) {
  Module setup;
  ASSERT_NE(setup.handle, nullptr);
  const BitmapCase cases[] = {{IDB_TOP_PICTURE, 64, 64, 24, 0},
                              {IDB_MENU_PICTURE, 307, 175, 4, 16}};
  for (const BitmapCase& c : cases) {
    const std::string bytes = setup.Resource(MAKEINTRESOURCEA(2), c.id);  // RT_BITMAP
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER)) << c.id;
    BITMAPINFOHEADER info;
    std::memcpy(&info, bytes.data(), sizeof info);
    EXPECT_EQ(info.biWidth, c.width) << c.id;
    EXPECT_EQ(info.biHeight, c.height) << c.id;
    EXPECT_EQ(info.biBitCount, c.bits) << c.id;
    EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB)) << c.id;
    const int colours = info.biClrUsed ? static_cast<int>(info.biClrUsed)
                                       : (c.bits <= 8 ? 1 << c.bits : 0);
    EXPECT_EQ(colours, c.colours) << c.id;
  }
}

TEST(SetupResources, IconAndManifest) {
  Module setup;
  ASSERT_NE(setup.handle, nullptr);
  EXPECT_FALSE(setup.Resource(MAKEINTRESOURCEA(14), IDI_SETUP).empty());  // RT_GROUP_ICON
  const std::string manifest = setup.Resource(MAKEINTRESOURCEA(24), 1);   // RT_MANIFEST
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
}

}  // namespace
