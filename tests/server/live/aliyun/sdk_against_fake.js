// Alibaba Cloud's official ECS and billing clients against the local fake: every action the
// gateway uses, signed by the SDK and checked by the fake, every reply read through the
// SDK's own models. Arguments: port, key ID, secret. The test that runs this has seeded
// cn-beijing with i-cn-beijing-0 (running), -1 and -2 (stopped), the own image m-own1, and
// made the first answer a throttling one.
'use strict';

const assert = require('assert');
const { $OpenApiUtil } = require('@alicloud/openapi-core');
const Ecs = require('@alicloud/ecs20140526');
const Bss = require('@alicloud/bssopenapi20171214');

const [port, keyId, secret] = process.argv.slice(2);
const region = 'cn-beijing';
const config = (key) => new $OpenApiUtil.Config({
  accessKeyId: keyId, accessKeySecret: key, endpoint: `127.0.0.1:${port}`, protocol: 'http',
  regionId: region,
});
const ecs = new Ecs.default(config(secret));

async function refused(call, code) {
  try {
    await call();
  } catch (error) {
    assert.strictEqual(error.code, code, `${error.code}: ${error.message}`);
    return error;
  }
  assert.fail(`expected ${code}`);
}

(async () => {
  const list = () => ecs.describeInstances(new Ecs.DescribeInstancesRequest({
    regionId: region, pageNumber: 1, pageSize: 2 }));
  const throttled = await refused(list, 'Throttling.User');
  assert.strictEqual(throttled.name, 'ThrottlingError');

  const page = (await list()).body;
  assert.strictEqual(page.totalCount, 3);
  assert.strictEqual(page.instances.instance.length, 2);
  const first = page.instances.instance[0];
  assert.strictEqual(first.instanceId, 'i-cn-beijing-0');
  assert.strictEqual(first.status, 'Running');
  assert.strictEqual(typeof first.cpu, 'number');
  assert.ok(first.publicIpAddress.ipAddress[0]);
  assert.strictEqual(first.memory, 1024);
  assert.ok(first.OSName && first.imageId && first.creationTime);

  const zones = (await ecs.describeAvailableResource(new Ecs.DescribeAvailableResourceRequest({
    regionId: region, destinationResource: 'Zone', resourceType: 'instance' }))).body;
  assert.deepStrictEqual(zones.availableZones.availableZone.map((z) => [z.zoneId, z.status]),
    [['cn-beijing-a', 'Available'], ['cn-beijing-b', 'Available'], ['cn-beijing-c', 'SoldOut']]);

  const types = (await ecs.describeAvailableResource(new Ecs.DescribeAvailableResourceRequest({
    regionId: region, zoneId: 'cn-beijing-a', destinationResource: 'InstanceType',
    ioOptimized: 'optimized', instanceChargeType: 'PostPaid', resourceType: 'instance' }))).body;
  const zoneA = types.availableZones.availableZone[0];
  assert.strictEqual(zoneA.zoneId, 'cn-beijing-a');
  const supported = zoneA.availableResources.availableResource[0].supportedResources.supportedResource;
  assert.deepStrictEqual(supported[0], new Ecs.DescribeAvailableResourceResponseBodyAvailableZonesAvailableZoneAvailableResourcesAvailableResourceSupportedResourcesSupportedResource({
    value: 'ecs.s6-c1m1.small', status: 'Available', statusCategory: 'WithStock' }));

  const images = async (alias) => (await ecs.describeImages(new Ecs.DescribeImagesRequest({
    regionId: region, imageOwnerAlias: alias, pageNumber: 1, pageSize: 100 }))).body;
  const system = await images('system');
  assert.strictEqual(system.totalCount, 3);
  assert.ok(system.images.image.every((i) => i.imageId && i.imageName));
  assert.deepStrictEqual((await images('self')).images.image.map((i) => i.imageId), ['m-own1']);

  const started = (await ecs.startInstances(new Ecs.StartInstancesRequest({
    regionId: region, instanceId: ['i-cn-beijing-1'] }))).body;
  assert.strictEqual(started.instanceResponses.instanceResponse[0].currentStatus, 'Running');
  await ecs.stopInstances(new Ecs.StopInstancesRequest({
    regionId: region, instanceId: ['i-cn-beijing-0', 'i-cn-beijing-1'] }));
  await refused(() => ecs.stopInstances(new Ecs.StopInstancesRequest({
    regionId: region, instanceId: ['i-cn-beijing-0'] })), 'IncorrectInstanceStatus');

  const replaced = (await ecs.replaceSystemDisk(new Ecs.ReplaceSystemDiskRequest({
    instanceId: 'i-cn-beijing-0', imageId: 'm-own1', password: 'Qzt.Hv731.Nep#',
    clientToken: 'rebuild-1' }))).body;
  assert.ok(replaced.diskId && replaced.requestId);

  const run = () => ecs.runInstances(new Ecs.RunInstancesRequest({
    regionId: region, zoneId: 'cn-beijing-a', instanceType: 'ecs.c6.large',
    imageId: 'centos_7_9_x64_20G_alibase_20230613.vhd',
    systemDisk: new Ecs.RunInstancesRequestSystemDisk({ category: 'cloud_essd' }),
    internetMaxBandwidthOut: 5, securityGroupId: 'sg-2ze0000000000000000a',
    vSwitchId: 'vsw-2ze00000000000000000b', password: 'Qzt.Hv731.Nep#', amount: 2,
    instanceChargeType: 'PostPaid', autoReleaseTime: '2030-01-01T00:00:00Z', clientToken: 'run-1' }));
  const created = (await run()).body.instanceIdSets.instanceIdSet;
  assert.strictEqual(created.length, 2);
  assert.deepStrictEqual((await run()).body.instanceIdSets.instanceIdSet, created);
  await refused(() => ecs.replaceSystemDisk(new Ecs.ReplaceSystemDiskRequest({
    instanceId: created[0], imageId: 'm-own1', password: 'Qzt.Hv731.Nep#' })),
  'IncorrectInstanceStatus');
  const deleted = (await ecs.deleteInstances(new Ecs.DeleteInstancesRequest({
    regionId: region, instanceId: created, force: true, clientToken: 'delete-1' }))).body;
  assert.ok(deleted.requestId);

  const balance = (await new Bss.default(config(secret)).queryAccountBalance()).body;
  assert.strictEqual(balance.success, true);
  assert.strictEqual(balance.data.availableCashAmount, '100.00');

  await refused(() => new Ecs.default(config('wrong')).describeInstances(
    new Ecs.DescribeInstancesRequest({ regionId: region })), 'SignatureDoesNotMatch');
  console.log('sdk against fake: all calls answered as the SDK expects');
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
