#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Error.h"
#include "core/TextEncoding.h"
#include "core/TextFile.h"

namespace fs = std::filesystem;

namespace {

std::string read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
unsigned modeOf(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st.st_mode & 07777;
}

// Root may write any file, so a write-protected file stops only other users. Where the
// tests run as root the writer's question is answered from the permission bits alone, as
// it is for an ordinary user who owns the file.
int ownerWriteBit(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno;
  return (st.st_mode & S_IWUSR) ? 0 : EACCES;
}

class AtomicWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("korv-tf-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_ / "data");
    if (::geteuid() == 0) previous_ = korv::SetWriteAccessCheck(ownerWriteBit);
  }
  void TearDown() override {
    if (::geteuid() == 0) korv::SetWriteAccessCheck(previous_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // Entries of a folder other than the ones named, e.g. temporary files left behind.
  int entries(const fs::path& folder) const {
    int n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(folder)) ++n;
    return n;
  }
  fs::path dir_;
  korv::WriteAccessCheck previous_ = nullptr;
};

}  // namespace

TEST_F(AtomicWriter, RefusesAWriteProtectedFileAsAPlainWriteWould) {
  const fs::path target = dir_ / "data" / "kept.nT";
  write(target, "old content\r\n");
  fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
  try {
    korv::WriteFileAtomically(target.string(), "new\r\n");
    ADD_FAILURE() << "a read-only file was replaced";
  } catch (const korv::Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write file '" + target.string() + "': Permission denied");
  }
  EXPECT_EQ(read(target), "old content\r\n");
  EXPECT_EQ(modeOf(target), 0440u);
  EXPECT_EQ(entries(dir_ / "data"), 1);  // no temporary file left behind
}

TEST_F(AtomicWriter, WritesThroughSymbolicLinksAndKeepsThem) {
  struct Case {
    const char* name;
    fs::path link;
    fs::path pointsTo;  // as stored in the link
  };
  const fs::path real = dir_ / "data" / "real.nT";
  fs::create_directories(dir_ / "links");
  const Case cases[] = {
      {"absolute link", dir_ / "links" / "abs.nT", real},
      {"relative link from another folder", dir_ / "links" / "rel.nT", fs::path("..") / "data" / "real.nT"},
      {"link to a link", dir_ / "links" / "chain.nT", dir_ / "links" / "abs.nT"},
  };
  for (const auto& c : cases) fs::create_symlink(c.pointsTo, c.link);
  for (const auto& c : cases) {
    write(real, "old\r\n");
    korv::WriteFileAtomically(c.link.string(), std::string("through ") + c.name + "\r\n");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(c.link))) << c.name;
    EXPECT_EQ(fs::read_symlink(c.link), c.pointsTo) << c.name;
    EXPECT_EQ(read(real), std::string("through ") + c.name + "\r\n") << c.name;
  }
  EXPECT_EQ(entries(dir_ / "data"), 1);
  EXPECT_EQ(entries(dir_ / "links"), 3);

  // A link whose file does not exist yet: the file is made where the link points.
  const fs::path dangling = dir_ / "links" / "new.nT";
  fs::create_symlink(dir_ / "data" / "new.nT", dangling);
  korv::WriteFileAtomically(dangling.string(), "made\r\n");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dangling)));
  EXPECT_EQ(read(dir_ / "data" / "new.nT"), "made\r\n");
}

TEST_F(AtomicWriter, KeepsThePermissionBitsOfTheFileItReplaces) {
  for (unsigned mode : {0600u, 0640u, 0664u, 0755u}) {
    const fs::path target = dir_ / "data" / ("mode" + std::to_string(mode) + ".spl");
    write(target, "old\r\n");
    ::chmod(target.c_str(), mode);
    korv::WriteFileAtomically(target.string(), "new\r\n");
    EXPECT_EQ(read(target), "new\r\n") << std::oct << mode;
    EXPECT_EQ(modeOf(target), mode) << std::oct << mode;
  }
  // A new file gets what any new file gets under the process's mask.
  const mode_t mask = ::umask(022);
  const fs::path fresh = dir_ / "data" / "fresh.fl";
  korv::WriteFileAtomically(fresh.string(), "x\r\n");
  ::umask(mask);
  EXPECT_EQ(modeOf(fresh), 0644u);
}

// Every byte value survives the way to a window and back; valid UTF-8 is left alone.
TEST(TextEncoding, Windows1252RoundTripsEveryByteAndUtf8StaysAsItIs) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  ASSERT_EQ(korv::DetectEncoding(all), korv::TextEncoding::Windows1252);
  const std::string shown = korv::ToUtf8(all, korv::TextEncoding::Windows1252);
  EXPECT_TRUE(korv::IsValidUtf8(shown));
  std::string back;
  ASSERT_TRUE(korv::FromUtf8(shown, korv::TextEncoding::Windows1252, back));
  EXPECT_EQ(back, all);

  EXPECT_EQ(korv::ToUtf8("M\xFCller \x80 \x96", korv::TextEncoding::Windows1252),
            "M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x93");
  const std::string utf8 = "M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80";
  EXPECT_EQ(korv::DetectEncoding(utf8), korv::TextEncoding::Utf8);
  EXPECT_EQ(korv::DisplayText(utf8), utf8);
  // Overlong forms, surrogates and cut sequences are not UTF-8.
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80"})
    EXPECT_FALSE(korv::IsValidUtf8(bad)) << bad;

  // A character Windows-1252 cannot hold is named, not replaced.
  std::string refused;
  EXPECT_FALSE(korv::FromUtf8("a\xCE\xA9z", korv::TextEncoding::Windows1252, back, &refused));
  EXPECT_EQ(refused, "\xCE\xA9");
}

TEST(TextEncoding, FirstCharactersNeverCutsACharacter) {
  const std::string s =
      "\xC3\xBC\xE2\x82\xAC"
      "a\xF0\x9F\x98\x80";  // u-umlaut, euro, a, emoji
  EXPECT_EQ(korv::FirstCharacters(s, 0), "");
  EXPECT_EQ(korv::FirstCharacters(s, 1), "\xC3\xBC");
  EXPECT_EQ(korv::FirstCharacters(s, 2), "\xC3\xBC\xE2\x82\xAC");
  EXPECT_EQ(korv::FirstCharacters(s, 4), s);
  EXPECT_EQ(korv::FirstCharacters(s, 100), s);
  EXPECT_EQ(korv::FirstCharacters(std::string(150, 'x'), 100), std::string(100, 'x'));
}
