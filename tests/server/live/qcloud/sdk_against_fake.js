// The official Tencent Cloud SDK as the first client of the fake API: every action the gateway
// uses, through the SDK's own CVM and billing clients, pointed at the fake's loopback port.
// Prints one line of JSON per step ({step, ok, ...}); the C++ test that starts the fake reads
// them. Arguments: port secretId secretKey.
"use strict";
const http = require("http");
const CvmClient = require("tencentcloud-sdk-nodejs-cvm").cvm.v20170312.Client;
const BillingClient =
  require("tencentcloud-sdk-nodejs/tencentcloud/services/billing").billing.v20180709.Client;

const [port, secretId, secretKey] = process.argv.slice(2);
// The SDK would send through a proxy named in the environment; the fake is local.
delete process.env.http_proxy;
delete process.env.HTTP_PROXY;
// The SDK takes its signature scope from the endpoint's first label, so the clients keep
// the real host names and this agent resolves them to the fake on the loopback address.
const agent = new http.Agent({
  lookup: (host, options, callback) =>
    options && options.all
      ? callback(null, [{ address: "127.0.0.1", family: 4 }])
      : callback(null, "127.0.0.1", 4),
});
const profile = (service) => ({
  httpProfile: { endpoint: `${service}.tencentcloudapi.com:${port}`, protocol: "http://", agent },
  language: "zh-CN",
});
const cvm = (key) =>
  new CvmClient({ credential: { secretId, secretKey: key }, region: "ap-guangzhou", profile: profile("cvm") });
const billing = new BillingClient({ credential: { secretId, secretKey }, region: "", profile: profile("billing") });

function report(step, fields) {
  console.log(JSON.stringify(Object.assign({ step }, fields)));
}

async function step(name, call, summarise) {
  try {
    const response = await call();
    report(name, Object.assign({ ok: true }, summarise(response)));
    return response;
  } catch (e) {
    report(name, { ok: false, code: e.code || "", message: e.message || String(e) });
    return null;
  }
}

(async () => {
  const client = cvm(secretKey);
  const list = await step("DescribeInstances", () => client.DescribeInstances({ Offset: 0, Limit: 100 }),
    (r) => ({ total: r.TotalCount, count: r.InstanceSet.length, first: r.InstanceSet[0] }));
  const ids = list ? list.InstanceSet.map((m) => m.InstanceId) : [];
  await step("StopInstances", () => client.StopInstances({ InstanceIds: ids.slice(0, 2) }), (r) => ({ requestId: r.RequestId }));
  await step("StartInstances", () => client.StartInstances({ InstanceIds: ids.slice(0, 2) }), (r) => ({ requestId: r.RequestId }));
  await step("TerminateInstances", () => client.TerminateInstances({ InstanceIds: [ids[2]] }), (r) => ({ requestId: r.RequestId }));
  // The test has the fake throttle the first DescribeZones.
  await step("Throttled", () => client.DescribeZones({}), () => ({}));
  await step("DescribeZones", () => client.DescribeZones({}), (r) => ({ total: r.TotalCount, first: r.ZoneSet[0] }));
  await step("DescribeImages",
    () => client.DescribeImages({ Filters: [{ Name: "image-type", Values: ["PUBLIC_IMAGE"] }], Offset: 100, Limit: 100 }),
    (r) => ({ total: r.TotalCount, count: r.ImageSet.length, first: r.ImageSet[0] }));
  await step("DescribeInstanceTypeConfigs",
    () => client.DescribeInstanceTypeConfigs({ Filters: [{ Name: "zone", Values: ["ap-guangzhou-2"] }] }),
    (r) => ({ count: r.InstanceTypeConfigSet.length, first: r.InstanceTypeConfigSet[0] }));
  const run = {
    InstanceChargeType: "SPOTPAID",
    Placement: { Zone: "ap-guangzhou-1" },
    InstanceType: "S5.MEDIUM4",
    ImageId: "img-priv0001",
    SystemDisk: { DiskType: "CLOUD_SSD" },
    InternetAccessible: { InternetChargeType: "TRAFFIC_POSTPAID_BY_HOUR", InternetMaxBandwidthOut: 5, PublicIpAssigned: true },
    InstanceCount: 2,
    InstanceName: "测试机器",
    LoginSettings: { Password: "Qzt.Hv731.Nep#" },
    ActionTimer: {
      TimerAction: "TerminateInstances",
      ActionTime: new Date(Date.now() + 24 * 3600 * 1000).toISOString().replace(/\.\d{3}Z$/, "Z"),
    },
    ClientToken: "sdk-run-token-1",
  };
  await step("RunInstances", () => client.RunInstances(run), (r) => ({ ids: r.InstanceIdSet }));
  await step("RunInstancesAgain", () => client.RunInstances(run), (r) => ({ ids: r.InstanceIdSet }));
  await step("ResetInstance",
    () => client.ResetInstance({ InstanceId: ids[0], ImageId: "img-shar0001", LoginSettings: { Password: "Qzt.Hv731.Nep#" } }),
    (r) => ({ requestId: r.RequestId }));
  await step("DescribeAccountBalance", () => billing.DescribeAccountBalance({}),
    (r) => ({ uin: r.Uin, realBalance: r.RealBalance }));
  // Errors come back through the SDK's own error path.
  await step("WrongKey", () => cvm("not-the-key").DescribeZones({}), () => ({}));
  await step("NotFound", () => client.StartInstances({ InstanceIds: ["ins-nosuch00"] }), () => ({}));
})();
