#include <gtest/gtest.h>

#include "consoles/account/account_balance.h"

namespace ydt {
namespace {

TEST(BalanceCaptionTest, TencentCentsBecomeYuanWithUpTo13Digits) {
  EXPECT_EQ(TencentBalanceCaption("12345"), "余额：123.45元");
  EXPECT_EQ(TencentBalanceCaption("10000"), "余额：100元");
  EXPECT_EQ(TencentBalanceCaption("abc"), "余额：0元");
  EXPECT_EQ(TencentBalanceCaption("-250"), "余额：-2.5元");
  EXPECT_EQ(TencentBalanceCaption("7"), "余额：0.07元");
  // Only the leading integer counts.
  EXPECT_EQ(TencentBalanceCaption("12345.99"), "余额：123.45元");
}

TEST(BalanceCaptionTest, AliyunAmountsKeepSixSignificantDigitsOfAFloat) {
  EXPECT_EQ(AliyunBalanceCaption("1234567.89"), "余额：1.23457e+06元");
  EXPECT_EQ(AliyunBalanceCaption("12.5"), "余额：12.5元");
  EXPECT_EQ(AliyunBalanceCaption("0.1"), "余额：0.1元");
  EXPECT_EQ(AliyunBalanceCaption("x"), "余额：0元");
}

TEST(CaptionsFromReplyTest, ReadsEachProvidersOwnMembers) {
  const auto tencent = CaptionsFromReply(
      ProviderKind::Tencent, R"({"code":0,"data":{"Uin":100012345678,"RealBalance":12345}})");
  EXPECT_EQ(tencent.balance, "余额：123.45元");
  EXPECT_EQ(tencent.account, "QQ：100012345678");

  const auto huawei = CaptionsFromReply(
      ProviderKind::Huawei, R"({"code":0,"data":{"account_balances":[{"amount":"88.000"}]}})");
  EXPECT_EQ(huawei.balance, "余额：88.000元");
  EXPECT_EQ(huawei.account, std::nullopt);

  const auto aliyun = CaptionsFromReply(
      ProviderKind::Aliyun, R"({"code":0,"data":{"Data":{"AvailableCashAmount":"12.5"}}})");
  EXPECT_EQ(aliyun.balance, "余额：12.5元");
}

TEST(CaptionsFromReplyTest, MissingValuesLeaveTheirLabelsAlone) {
  const auto tencent = CaptionsFromReply(ProviderKind::Tencent, R"({"code":0,"data":{}})");
  EXPECT_EQ(tencent.balance, std::nullopt);
  EXPECT_EQ(tencent.account, std::nullopt);
  const auto onlyUin =
      CaptionsFromReply(ProviderKind::Tencent, R"({"code":0,"data":{"Uin":"42"}})");
  EXPECT_EQ(onlyUin.balance, std::nullopt);
  EXPECT_EQ(onlyUin.account, "QQ：42");
}

TEST(CaptionsFromReplyTest, AReplyThatDoesNotParseGivesTheFailureCaptions) {
  const auto tencent = CaptionsFromReply(ProviderKind::Tencent, "not json");
  EXPECT_EQ(tencent.balance, "余额：读取失败");
  EXPECT_EQ(tencent.account, "QQ：读取失败");
  const auto huawei = CaptionsFromReply(ProviderKind::Huawei, "");
  EXPECT_EQ(huawei.balance, "余额：读取失败");
  EXPECT_EQ(huawei.account, std::nullopt);
}

}  // namespace
}  // namespace ydt
