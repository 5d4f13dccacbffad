#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "shell/update/update_notice.h"

namespace ydt {
namespace {

constexpr const char* kOwn = "0123456789abcdef0123456789abcdef";

struct NoticeCase {
  const char* name;
  int status;
  std::string body;
  UpdateOutcome expected;
  friend void PrintTo(const NoticeCase& c, std::ostream* out) { *out << c.name; }
};

class UpdateNoticeCases : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(UpdateNoticeCases, Outcome) {
  const NoticeCase& c = GetParam();
  EXPECT_EQ(EvaluateUpdateNotice(c.status, c.body, kOwn), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    , UpdateNoticeCases,
    ::testing::Values(
        NoticeCase{"LowerCase", 200, "0123456789abcdef0123456789abcdef", UpdateOutcome::UpToDate},
        NoticeCase{"UpperCase", 200, "0123456789ABCDEF0123456789ABCDEF", UpdateOutcome::UpToDate},
        NoticeCase{"Spaces", 200, "   0123456789abcdef0123456789abcdef  ", UpdateOutcome::UpToDate},
        NoticeCase{"OtherDigest", 200, "ffffffffffffffffffffffffffffffff",
                   UpdateOutcome::NewVersion},
        // What editors and "md5sum > file" publish: line breaks and a byte-order mark.
        NoticeCase{"TrailingLineBreak", 200, "0123456789abcdef0123456789abcdef\n",
                   UpdateOutcome::UpToDate},
        NoticeCase{"CrLfAndTabs", 200, "\t0123456789ABCDEF0123456789abcdef\r\n",
                   UpdateOutcome::UpToDate},
        NoticeCase{"ByteOrderMark", 200,
                   "\xEF\xBB\xBF"
                   "0123456789abcdef0123456789abcdef\r\n",
                   UpdateOutcome::UpToDate},
        NoticeCase{"OtherDigestWithLineBreak", 200,
                   "\xEF\xBB\xBF"
                   "ffffffffffffffffffffffffffffffff\n",
                   UpdateOutcome::NewVersion},
        // Only one mark, and only at the start; white space inside is no digest.
        NoticeCase{"TwoMarks", 200,
                   "\xEF\xBB\xBF\xEF\xBB\xBF"
                   "0123456789abcdef0123456789abcdef",
                   UpdateOutcome::Failed},
        NoticeCase{"MarkAtTheEnd", 200,
                   "0123456789abcdef0123456789abcdef"
                   "\xEF\xBB\xBF",
                   UpdateOutcome::Failed},
        NoticeCase{"BreakInside", 200, "0123456789abcdef\n0123456789abcdef", UpdateOutcome::Failed},
        NoticeCase{"OnlyWhiteSpace", 200, "\xEF\xBB\xBF \r\n", UpdateOutcome::Failed},
        NoticeCase{"NoConnection", 0, "", UpdateOutcome::Failed},
        NoticeCase{"EmptyBody", 200, "", UpdateOutcome::Failed},
        NoticeCase{"ServerErrorWithDigestBody", 500, "0123456789abcdef0123456789abcdef",
                   UpdateOutcome::Failed},
        NoticeCase{"NotFoundPage", 404, "<html>Not Found</html>", UpdateOutcome::Failed},
        NoticeCase{"ShortDigest", 200, "0123456789abcdef", UpdateOutcome::Failed},
        NoticeCase{"NotHex", 200, "0123456789abcdef0123456789abcdeg", UpdateOutcome::Failed}),
    [](const ::testing::TestParamInfo<NoticeCase>& info) { return info.param.name; });

TEST(UpdateNotice, WithoutADigestOfOurOwnTheCheckFails) {
  EXPECT_EQ(EvaluateUpdateNotice(200, kOwn, ""), UpdateOutcome::Failed);
}

TEST(UpdateNotice, MessagesNameTheWebHost) {
  EXPECT_EQ(UpdateMessage(UpdateOutcome::UpToDate, "www.example.cn"),
            "已是最新版本，澜星科技官网www.example.cn！");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::NewVersion, "www.example.cn"),
            "发现新版本，请到澜星科技官网www.example.cn下载！");
  EXPECT_EQ(UpdateMessage(UpdateOutcome::Failed, "www.example.cn"), "检查更新失败，请稍后再试！");
  EXPECT_EQ(UpdateNoticeAddress("127.0.0.1:60443"),
            "https://127.0.0.1:60443/software/checkupdate/yunduotai.txt");
}

}  // namespace
}  // namespace ydt
