// The failures every provider's operations meet on the way, over the gateway's own transport
// and a real socket to each provider's fake: refusals, throttling, answers too late or
// unreadable, and a creation whose answer was lost. An adapter per provider says how its
// fake is told to misbehave and how its requests look; the expectations are the same for all.
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "aliyun/fake_aliyun.h"
#include "fake_cloud_server.h"
#include "fake_qcloud.h"
#include "faulty_provider.h"
#include "huawei/fake_huawei.h"
#include "live/aliyun/aliyun_clouds.h"
#include "live/common/console_form.h"
#include "live/common/curl_transport.h"
#include "live/huawei/huawei_clouds.h"
#include "live/qcloud/qcloud_clouds.h"

namespace ydt::live {
namespace {

using front::CloudReply;
using front::Operation;
using Fields = std::map<std::string, std::string>;
using Factory =
    std::function<std::unique_ptr<front::Clouds>(ProviderTransport&, const EndpointOverrides&)>;

// What differs between the providers for these tests. Owns the provider's fake.
class ProviderAdapter {
 public:
  virtual ~ProviderAdapter() = default;

  virtual test::FakeProvider& Fake() = 0;
  virtual front::Provider Provider() const = 0;
  // secretid, secretkey and region.
  virtual Fields Keys() const = 0;
  // Every service name the provider's operations use, for `--endpoint`.
  virtual std::vector<std::string> Services() const = 0;
  virtual Factory Clouds() const = 0;

  // The next `times` answers say the caller is throttled, in the provider's own words.
  virtual void ThrottleNext(int times) = 0;
  // The next answer is HTTP 200 with a body that is not the API's.
  virtual void GarbleNext() = 0;
  // The ID list of a start the provider refuses (no such machine), and the error code and
  // a part of the message it refuses with.
  virtual std::string UnknownMachine() const = 0;
  virtual std::pair<std::string, std::string> UnknownMachineError() const = 0;
  // A creation form the fake accepts; it asks for two machines.
  virtual Fields RunForm() const = 0;
  virtual bool IsCreation(const ProviderRequest& request) const = 0;
  virtual std::string TokenOf(const ProviderRequest& request) const = 0;
  virtual std::size_t MachineCount() const = 0;
};

class QcloudAdapter final : public ProviderAdapter {
 public:
  QcloudAdapter() {
    fake_.AddAccount(kId, {kKey});
    fake_.AddMachines(kId, kRegion, 3);
  }
  test::FakeProvider& Fake() override { return fake_; }
  front::Provider Provider() const override { return front::Provider::kQcloud; }
  Fields Keys() const override {
    return {{"secretid", kId}, {"secretkey", kKey}, {"region", kRegion}};
  }
  std::vector<std::string> Services() const override { return {"cvm", "billing"}; }
  Factory Clouds() const override { return &qcloud::MakeQcloudClouds; }

  void ThrottleNext(int times) override { fake_.Inject(test::QcloudFault::Throttle("", times)); }
  void GarbleNext() override { fake_.Inject(test::QcloudFault::Malformed("")); }
  std::string UnknownMachine() const override { return "[ins-nosuch00]"; }
  std::pair<std::string, std::string> UnknownMachineError() const override {
    return {"InvalidInstanceId.NotFound", "没有找到相应实例"};
  }
  Fields RunForm() const override {
    return {{"zone", "ap-guangzhou-2"},  {"instancetype", "S5.SMALL2"},
            {"imageid", "img-priv0001"}, {"disktype", "CLOUD_PREMIUM"},
            {"bandwidth", "1"},          {"password", "Qzt.Hv731.Nep#"},
            {"instancecount", "2"},      {"instancechargetype", "POSTPAID_BY_HOUR"}};
  }
  bool IsCreation(const ProviderRequest& r) const override {
    return r.Header("X-TC-Action") == "RunInstances";
  }
  std::string TokenOf(const ProviderRequest& r) const override {
    return nlohmann::json::parse(r.body).value("ClientToken", "");
  }
  std::size_t MachineCount() const override { return fake_.Machines(kId, kRegion).size(); }

 private:
  static constexpr char kId[] = "AKIDfailures0001";
  static constexpr char kKey[] = "failures-secret-0001";
  static constexpr char kRegion[] = "ap-guangzhou";
  test::FakeQcloud fake_;
};

class AliyunAdapter final : public ProviderAdapter {
 public:
  AliyunAdapter() {
    fake_.AddKey(kId, kSecret);
    fake_.AddMachines(kId, kRegion, 3);
    fake_.AddOwnImage(kId, "m-own1", "自定义镜像一");
  }
  test::FakeProvider& Fake() override { return fake_; }
  front::Provider Provider() const override { return front::Provider::kAliyun; }
  Fields Keys() const override {
    return {{"secretid", kId}, {"secretkey", kSecret}, {"region", kRegion}};
  }
  std::vector<std::string> Services() const override { return {"ecs", "bss"}; }
  Factory Clouds() const override { return &aliyun::MakeAliyunClouds; }

  void ThrottleNext(int times) override {
    fake_.Inject(400, test::FakeAliyun::ErrorBody("Throttling.User", "flow control"), times);
  }
  void GarbleNext() override { fake_.Inject(200, R"({"Data": {"AvailableCashAm)"); }
  std::string UnknownMachine() const override { return "[i-nosuch00]"; }
  std::pair<std::string, std::string> UnknownMachineError() const override {
    return {"InvalidInstanceId.NotFound", "The specified InstanceId does not exist."};
  }
  Fields RunForm() const override {
    return {{"zone", "cn-beijing-a"},
            {"instancetype", "ecs.c6.large"},
            {"imageid", "m-own1"},
            {"disktype", "cloud_essd"},
            {"bandwidth", "5"},
            {"securitygroupid", "sg-2ze0000000000000000a"},
            {"vswitchid", "vsw-2ze00000000000000000b"},
            {"password", "Qzt.Hv731.Nep#"},
            {"instancecount", "2"}};
  }
  bool IsCreation(const ProviderRequest& r) const override {
    return r.Header("x-acs-action") == "RunInstances";
  }
  std::string TokenOf(const ProviderRequest& r) const override {
    for (const auto& [name, value] : r.query)
      if (name == "ClientToken") return value;
    return {};
  }
  std::size_t MachineCount() const override { return fake_.Machines(kId, kRegion).size(); }

 private:
  static constexpr char kId[] = "LTAI5tFailures01";
  static constexpr char kSecret[] = "failures-secret-ABCDEF";
  static constexpr char kRegion[] = "cn-beijing";
  test::FakeAliyun fake_;
};

class HuaweiAdapter final : public ProviderAdapter {
 public:
  HuaweiAdapter() {
    fake_.AddKey(kAk, kSk);
    fake_.AddMachines(kAk, kRegion, 3);
  }
  test::FakeProvider& Fake() override { return fake_; }
  front::Provider Provider() const override { return front::Provider::kHuawei; }
  Fields Keys() const override {
    return {{"secretid", kAk}, {"secretkey", kSk}, {"region", kRegion}};
  }
  std::vector<std::string> Services() const override { return {"ecs", "ims", "iam", "bss"}; }
  Factory Clouds() const override { return &huawei::MakeHuaweiClouds; }

  void ThrottleNext(int times) override {
    fake_.FailNext(test::FakeHuawei::Fault::kThrottle, times);
  }
  void GarbleNext() override { fake_.FailNext(test::FakeHuawei::Fault::kMalformed); }
  std::string UnknownMachine() const override { return "[c0ffee00-0000-4000-8000-00000000dead]"; }
  std::pair<std::string, std::string> UnknownMachineError() const override {
    return {"Ecs.0114", "could not be found"};
  }
  Fields RunForm() const override {
    return {{"zone", "cn-north-4b"},
            {"instancetype", "s6.large.2"},
            {"imageid", "c0ffee00-1111-4000-8000-000000000002"},
            {"disktype", "SSD"},
            {"bandwidth", "5"},
            {"vpcid", "3b5d2a8e-0c1f-4d6a-9e7b-1a2b3c4d5e6f"},
            {"subnetid", "7c8d9e0f-1a2b-4c3d-8e4f-5a6b7c8d9e0f"},
            {"password", "Qzt.Hv731.Nep#"},
            {"instancecount", "2"}};
  }
  bool IsCreation(const ProviderRequest& r) const override {
    return r.method == "POST" && r.path.size() > 13 &&
           r.path.compare(r.path.size() - 13, 13, "/cloudservers") == 0;
  }
  std::string TokenOf(const ProviderRequest& r) const override {
    return r.Header("X-Client-Token");
  }
  std::size_t MachineCount() const override { return fake_.Machines(kAk, kRegion).size(); }

 private:
  static constexpr char kAk[] = "HPUAFAILURES0001";
  static constexpr char kSk[] = "failures/secret+0001";
  static constexpr char kRegion[] = "cn-north-4";
  test::FakeHuawei fake_;
};

struct ProviderCase {
  const char* name;
  std::unique_ptr<ProviderAdapter> (*make)();
};

template <class Adapter>
std::unique_ptr<ProviderAdapter> Make() {
  return std::make_unique<Adapter>();
}

class ProviderFailures : public ::testing::TestWithParam<ProviderCase> {
 protected:
  ProviderFailures() : adapter_(GetParam().make()), wire_(adapter_->Fake()), server_(wire_) {}

  CloudReply Perform(Operation operation, const Fields& extra, TransportOptions options = {}) {
    options.sleep = [this](std::chrono::milliseconds d) { backoffs_.push_back(d); };
    options.random = [] { return 0.5; };
    CurlTransport transport(options);
    EndpointOverrides endpoints;
    for (const auto& service : adapter_->Services())
      endpoints.byService[service] = server_.BaseUrl();
    const auto clouds = adapter_->Clouds()(transport, endpoints);
    front::CloudRequest request;
    request.provider = adapter_->Provider();
    request.operation = operation;
    request.fields = adapter_->Keys();
    for (const auto& [name, value] : extra) request.fields[name] = value;
    return clouds->Perform(request);
  }

  // In this order, so the server stops before what it serves goes away.
  std::unique_ptr<ProviderAdapter> adapter_;
  test::FaultyProvider wire_;
  test::FakeCloudServer server_;
  std::vector<std::chrono::milliseconds> backoffs_;  // waited, never slept
};

TEST_P(ProviderFailures, ARefusalIsAFailureCarryingTheProvidersCodeAndMessage) {
  const CloudReply reply =
      Perform(Operation::kStart, {{"instanceids", adapter_->UnknownMachine()}});
  const auto [code, message] = adapter_->UnknownMachineError();
  EXPECT_EQ(reply.code, kCodeRefused) << reply.msg;
  EXPECT_NE(reply.msg.find(code), std::string::npos) << reply.msg;
  EXPECT_NE(reply.msg.find(message), std::string::npos) << reply.msg;
  EXPECT_TRUE(backoffs_.empty()) << "a refusal is not retried";
}

TEST_P(ProviderFailures, ThrottlingIsWaitedOutAndEndsInTheAnswer) {
  adapter_->ThrottleNext(2);
  const CloudReply reply = Perform(Operation::kBalance, {});
  EXPECT_EQ(reply.code, 0) << reply.msg;
  EXPECT_EQ(wire_.Received().size(), 3u);
  ASSERT_EQ(backoffs_.size(), 2u);
  EXPECT_LT(backoffs_[0], backoffs_[1]) << "the back-off grows";
}

TEST_P(ProviderFailures, AProviderTooSlowToAnswerIsATimeOutAfterBoundedAttempts) {
  wire_.DelayNext([](const ProviderRequest&) { return true; }, std::chrono::milliseconds(600), 3);
  TransportOptions quick;
  quick.attemptTimeout = std::chrono::milliseconds(150);
  quick.maxAttempts = 2;
  const CloudReply reply = Perform(Operation::kBalance, {}, quick);
  EXPECT_EQ(reply.code, kCodeTimedOut) << reply.msg;
  EXPECT_NE(reply.msg.find("超时"), std::string::npos) << reply.msg;
  EXPECT_EQ(wire_.Received().size(), 2u);
}

TEST_P(ProviderFailures, AnAnswerThatIsNotTheApisIsAFailureAndNotRetried) {
  adapter_->GarbleNext();
  const CloudReply reply = Perform(Operation::kBalance, {});
  EXPECT_EQ(reply.code, kCodeBadReply) << reply.msg;
  EXPECT_EQ(wire_.Received().size(), 1u);
}

TEST_P(ProviderFailures, ACreationWhoseAnswerWasLostIsSentAgainWithItsTokenAndMadeOnce) {
  const std::size_t before = adapter_->MachineCount();
  wire_.LoseNextAnswer([this](const ProviderRequest& r) { return adapter_->IsCreation(r); });
  const CloudReply reply = Perform(Operation::kRun, adapter_->RunForm());
  ASSERT_EQ(reply.code, 0) << reply.msg;
  std::vector<ProviderRequest> creations;
  for (const auto& r : wire_.Received())
    if (adapter_->IsCreation(r)) creations.push_back(r);
  ASSERT_EQ(creations.size(), 2u);
  EXPECT_FALSE(adapter_->TokenOf(creations[0]).empty());
  EXPECT_EQ(adapter_->TokenOf(creations[1]), adapter_->TokenOf(creations[0]));
  EXPECT_EQ(adapter_->MachineCount(), before + 2);

  // A new console request is a new creation, with a token of its own.
  ASSERT_EQ(Perform(Operation::kRun, adapter_->RunForm()).code, 0);
  EXPECT_NE(adapter_->TokenOf(wire_.Received().back()), adapter_->TokenOf(creations[0]));
  EXPECT_EQ(adapter_->MachineCount(), before + 4);
}

INSTANTIATE_TEST_SUITE_P(Providers, ProviderFailures,
                         ::testing::Values(ProviderCase{"qcloud", &Make<QcloudAdapter>},
                                           ProviderCase{"aliyun", &Make<AliyunAdapter>},
                                           ProviderCase{"huawei", &Make<HuaweiAdapter>}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ydt::live
