// TextFind, TextBetween and TextBetweenAll over a source longer than 2 GiB: a position that does
// not fit an int is reported as not found, pieces are cut from 64-bit offsets everywhere and
// scans end.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/markers.h"
#include "runtime/text.h"

namespace quellora {
namespace {

// Zero bytes beyond 2 GiB that take little memory: one small zero-filled memory file mapped
// read-only over and over. (Untouched anonymous pages would do on most kernels, but where reads
// of them are not served by a shared zero page, a scan would take gigabytes of real memory.)
// The page tables are filled when mapping, not by a fault per page on the first scan. Written
// ranges get private pages of their own. Everything is unmapped on destruction.
class ZeroSource {
 public:
  static constexpr std::size_t kChunk = std::size_t{8} << 20;

  explicit ZeroSource(std::size_t size) : size_(size) {
    void* reserved =
        mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (reserved == MAP_FAILED) return;
    base_ = static_cast<char*>(reserved);
    const int fd = memfd_create("zeros", MFD_CLOEXEC);
    bool ok = fd != -1 && ftruncate(fd, static_cast<off_t>(kChunk)) == 0;
    for (std::size_t offset = 0; ok && offset < size; offset += kChunk) {
      const std::size_t length = std::min(kChunk, size - offset);
      ok = mmap(base_ + offset, length, PROT_READ, MAP_SHARED | MAP_FIXED | MAP_POPULATE, fd, 0) !=
           MAP_FAILED;
    }
    if (fd != -1) close(fd);
    if (!ok) {
      munmap(base_, size_);
      base_ = nullptr;
    }
  }
  ZeroSource(const ZeroSource&) = delete;
  ZeroSource& operator=(const ZeroSource&) = delete;
  ~ZeroSource() {
    if (base_ != nullptr) munmap(base_, size_);
  }

  bool Mapped() const { return base_ != nullptr; }

  /// Puts bytes at offset, on private pages that replace the shared zero pages there.
  void Write(std::size_t offset, std::string_view bytes) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t first = offset / page * page;
    const std::size_t end = (offset + bytes.size() + page - 1) / page * page;
    void* pages = mmap(base_ + first, end - first, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    std::memcpy(base_ + offset, bytes.data(), bytes.size());
  }

  std::string_view View() const { return {base_, size_}; }

 private:
  std::size_t size_;
  char* base_ = nullptr;
};

constexpr int kLastPosition = std::numeric_limits<int>::max();
// The first offset whose 1-based position does not fit an int.
constexpr auto kFirstOffsetPastInt = static_cast<std::size_t>(kLastPosition);

constexpr std::string_view kOpen = "<div class=\"album-title\">";
constexpr std::string_view kClose = "</div><!-- album-title -->";

constexpr std::size_t kSize = (std::size_t{1} << 31) + (std::size_t{1} << 20);  // 2 GiB + 1 MiB
constexpr std::size_t kEarly = 4096;
// The piece "x" starts at the first offset past int; the left marker ends just before it.
constexpr std::size_t kStraddle = kFirstOffsetPastInt - kOpen.size();
constexpr std::size_t kLate = (std::size_t{1} << 31) + 4096;

std::string Block(std::string_view piece) {
  return std::string(kOpen) + std::string(piece) + std::string(kClose);
}

// The 1-based position of the byte after the one at offset: a start that skips that byte.
int PositionAfter(std::size_t offset) {
  return static_cast<int>(offset) + 2;
}

class BeyondTwoGiB : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if constexpr (sizeof(std::size_t) < 8) return;
    source_ = std::make_unique<ZeroSource>(kSize);
    if (!source_->Mapped()) return;
    source_->Write(kEarly, Block("early"));
    source_->Write(kStraddle, Block("x"));
    source_->Write(kLate, Block("late"));
  }
  static void TearDownTestSuite() { source_.reset(); }

  void SetUp() override {
    if (source_ == nullptr || !source_->Mapped()) {
      GTEST_SKIP() << "no address space for a source over 2 GiB";
    }
    text_ = source_->View();
  }

  std::string_view text_;

 private:
  static inline std::unique_ptr<ZeroSource> source_;
};

std::vector<std::string> All(std::string_view source, std::string_view left, std::string_view right,
                             bool caseSensitive, int start = 1) {
  TextArray results;
  const int count =
      TextBetweenAll(source, left, right, results, caseSensitive, 0, "", "", false, false, start);
  EXPECT_EQ(count, ArrayElementCount(results));
  return results.Elements();
}

using Items = std::vector<std::string>;

TEST_F(BeyondTwoGiB, TextFindReportsPositionsThatFitAnIntAndNotFoundBeyond) {
  EXPECT_EQ(TextFind(text_, kOpen), static_cast<int>(kEarly) + 1);
  // The last position an int holds, and the first one it does not.
  EXPECT_EQ(TextFind(text_, ">x" + std::string(kClose)), kLastPosition);
  EXPECT_EQ(TextFind(text_, "x" + std::string(kClose)), -1);
  // A marker only past 2 GiB, exact and without case, from the beginning and from near it.
  EXPECT_EQ(TextFind(text_, Block("late")), -1);
  EXPECT_EQ(TextFind(text_, "<DIV CLASS=\"ALBUM-TITLE\">LATE", 1, true), -1);
  EXPECT_EQ(TextFind(text_, kOpen, PositionAfter(kStraddle)), -1);
}

TEST_F(BeyondTwoGiB, TextBetweenCutsPiecesOnBothSidesOfTheIntRange) {
  EXPECT_EQ(TextBetween(text_, kOpen, kClose), "early");
  EXPECT_EQ(TextBetween(text_, kOpen, kClose, PositionAfter(kEarly)), "x");
  EXPECT_EQ(TextBetween(text_, kOpen, kClose, PositionAfter(kStraddle)), "late");
  EXPECT_EQ(
      TextBetween(text_, "<DIV CLASS=\"ALBUM-TITLE\">", "</DIV>", PositionAfter(kStraddle), true),
      "late");
  // No right marker after the left one: the one before it does not count.
  EXPECT_EQ(TextBetween(text_, "late", Block("early"), PositionAfter(kStraddle)), "");
}

TEST_F(BeyondTwoGiB, TextBetweenAllEndsWithEveryPieceInOrder) {
  EXPECT_EQ(All(text_, kOpen, kClose, true), (Items{"early", "x", "late"}));
  EXPECT_EQ(All(text_, "<DIV CLASS=\"ALBUM-TITLE\">", "</DIV>", false, PositionAfter(kStraddle)),
            (Items{"late"}));
  // The left marker has no right marker after it.
  EXPECT_EQ(All(text_, std::string(kOpen) + "late", kOpen, true, PositionAfter(kStraddle)),
            (Items{}));
}

}  // namespace
}  // namespace quellora
