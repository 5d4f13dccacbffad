// What a reinstall request carries and when the chosen image is refused.
#include <gtest/gtest.h>

#include "consoles/reinstall/rebuilder.h"

namespace ydt {
namespace {

TEST(RebuildFormText, PasswordAndImageSwapPlacesOnHuawei) {
  const AccessKeys keys{"id", "key"};
  EXPECT_EQ(
      RebuildFormText(ProviderKind::Tencent, keys, "ap-beijing", "[ins-1]", "pw123456", "img-1"),
      "secretid=id&secretkey=key&region=ap-beijing&instanceids=[ins-1]&password=pw123456"
      "&imagesid=img-1");
  EXPECT_EQ(RebuildFormText(ProviderKind::Aliyun, keys, "cn-beijing", "[i-1]", "pw", "m-1"),
            "secretid=id&secretkey=key&region=cn-beijing&instanceids=[i-1]&password=pw"
            "&imagesid=m-1");
  EXPECT_EQ(RebuildFormText(ProviderKind::Huawei, keys, "cn-north-4", "[u-1]", "pw", "h-1"),
            "secretid=id&secretkey=key&region=cn-north-4&instanceids=[u-1]&imagesid=h-1"
            "&password=pw");
}

TEST(RebuildImageRefusal, NothingChosenOrNothingOffered) {
  EXPECT_EQ(RebuildImageRefusal(""), "请先选择一个重装镜像！");
  EXPECT_EQ(RebuildImageRefusal("无"), "请先一个有效的重装镜像！");
  EXPECT_FALSE(RebuildImageRefusal("img-1"));
}

}  // namespace
}  // namespace ydt
