// The provider's official SDK as the first client of the fake: every action the gateway uses,
// signed by the SDK and answered by the fake (which checks each signature), each answer read
// back through the SDK's own parsing. The image and billing services have no Node SDK, so
// their calls go through the SDK core's generic client with the same signer.
// Usage: node sdk_against_fake.js BASE_URL AK SK DOMAIN_ID; prints one line per step.
'use strict';
const core = require('@huaweicloud/huaweicloud-sdk-core');
const ecs = require('@huaweicloud/huaweicloud-sdk-ecs/v2/public-api');
const iam = require('@huaweicloud/huaweicloud-sdk-iam/v3/public-api');

const [baseUrl, ak, sk, domainId] = process.argv.slice(2);
const region = 'cn-north-4';

function check(condition, what) {
  if (!condition) throw new Error(`check failed: ${what}`);
}

async function expectError(promise, code, what) {
  try {
    await promise;
  } catch (error) {
    check(error.errorCode === code, `${what}: error code ${error.errorCode}, wanted ${code}`);
    return error;
  }
  throw new Error(`${what}: succeeded, wanted ${code}`);
}

function ecsClient(secret, projectId) {
  const credential = new core.BasicCredentials().withAk(ak).withSk(secret).withProjectId(projectId);
  return ecs.EcsClient.newBuilder().withCredential(credential).withEndpoint(baseUrl).build();
}

async function main() {
  const global = new core.GlobalCredentials().withAk(ak).withSk(sk).withDomainId(domainId);
  const iamClient = iam.IamClient.newBuilder().withCredential(global).withEndpoint(baseUrl).build();

  const projects = await iamClient.keystoneListProjects(
      new iam.KeystoneListProjectsRequest().withName(region));
  check(projects.projects.length === 1 && projects.projects[0].name === region, 'one project');
  const projectId = projects.projects[0].id;
  console.log(`ok KeystoneListProjects ${projectId}`);

  const client = ecsClient(sk, projectId);
  const list = await client.listServersDetails(
      new ecs.ListServersDetailsRequest().withOffset(1).withLimit(100));
  check(list.count === 3 && list.servers.length === 3, 'three servers');
  check(list.servers[0].flavor.name === 's6.small.1', 'flavor name');
  console.log(`ok ListServersDetails ${list.count}`);
  const ids = list.servers.map((s) => s.id);
  const servers = (some) => some.map((id) => new ecs.ServerId().withId(id));

  const stop = await client.batchStopServers(new ecs.BatchStopServersRequest().withBody(
      new ecs.BatchStopServersRequestBody().withOsStop(
          new ecs.BatchStopServersOption().withServers(servers([ids[0]])).withType('SOFT'))));
  check(stop.job_id, 'stop job');
  console.log('ok BatchStopServers');

  const start = await client.batchStartServers(new ecs.BatchStartServersRequest().withBody(
      new ecs.BatchStartServersRequestBody().withOsStart(
          new ecs.BatchStartServersOption().withServers(servers([ids[1]])))));
  check(start.job_id, 'start job');
  console.log('ok BatchStartServers');

  const flavors = await client.listFlavors(
      new ecs.ListFlavorsRequest().withAvailabilityZone(`${region}a`));
  check(flavors.flavors.length > 0 && flavors.flavors[0].vcpus === '1', 'flavors');
  console.log(`ok ListFlavors ${flavors.flavors.length}`);

  const server = new ecs.PostPaidServer()
      .withAvailabilityZone(`${region}b`)
      .withName('ecs-创建')
      .withImageRef('c0ffee00-1111-4000-8000-000000000001')
      .withFlavorRef('s6.small.1')
      .withAdminPass('Qzt.Hv731.Nep#')
      .withVpcid('3b5d2a8e-0c1f-4d6a-9e7b-1a2b3c4d5e6f')
      .withNics([new ecs.PostPaidServerNic().withSubnetId('7c8d9e0f-1a2b-4c3d-8e4f-5a6b7c8d9e0f')])
      .withRootVolume(new ecs.PostPaidServerRootVolume().withVolumetype('SSD'))
      .withPublicip(new ecs.PostPaidServerPublicip().withEip(new ecs.PostPaidServerEip()
          .withIptype('5_bgp')
          .withBandwidth(new ecs.PostPaidServerEipBandwidth().withSize(5).withSharetype('PER')
              .withChargemode('traffic'))).withDeleteOnTermination(true))
      .withAutoTerminateTime('2017-03-12T03:00:00Z')
      .withCount(2);
  const createRequest = new ecs.CreatePostPaidServersRequest()
      .withXClientToken('9e1c2f4a-0000-4000-8000-000000000001')
      .withBody(new ecs.CreatePostPaidServersRequestBody().withServer(server));
  const created = await client.createPostPaidServers(createRequest);
  const again = await client.createPostPaidServers(createRequest);
  check(created.serverIds.length === 2 && created.job_id, 'two created');
  check(JSON.stringify(again.serverIds) === JSON.stringify(created.serverIds), 'token honoured');
  console.log('ok CreatePostPaidServers');

  const changed = await client.changeServerOsWithCloudInit(
      new ecs.ChangeServerOsWithCloudInitRequest().withServerId(ids[2]).withBody(
          new ecs.ChangeServerOsWithCloudInitRequestBody().withOsChange(
              new ecs.ChangeServerOsWithCloudInitOption()
                  .withAdminpass('密码Ab1!x')
                  .withImageid('c0ffee00-2222-4000-8000-000000000001')
                  .withMode('withStopServer'))));
  check(changed.job_id, 'changeos job');
  console.log('ok ChangeServerOsWithCloudInit');

  const deleteRequest = (some) => new ecs.DeleteServersRequest().withBody(
      new ecs.DeleteServersRequestBody().withServers(servers(some))
          .withDeletePublicip(true).withDeleteVolume(true));
  const deleted = await client.deleteServers(deleteRequest([ids[0]]));
  check(deleted.job_id, 'delete job');
  console.log('ok DeleteServers');
  await expectError(client.deleteServers(deleteRequest(['no-such-id'])), 'Ecs.0114', 'unknown');
  console.log('ok DeleteServers unknown machine refused');
  await expectError(ecsClient('wrong', projectId).listServersDetails(
      new ecs.ListServersDetailsRequest()), 'APIGW.0301', 'wrong key');
  console.log('ok ListServersDetails wrong key refused');

  const images = await client.hcClient.sendRequest({
    method: 'GET', url: '/v2/cloudimages', contentType: 'application/json',
    queryParams: { __imagetype: 'private', status: 'active' }, pathParams: {}, headers: {},
  });
  check(images.images.length === 1 && images.images[0].name === '我的镜像（网站）', 'images');
  console.log('ok ListImages');

  const balances = await iamClient.hcClient.sendRequest({
    method: 'GET', url: '/v2/accounts/customer-accounts/balances',
    contentType: 'application/json', queryParams: {}, pathParams: {}, headers: {},
  });
  check(balances.account_balances.some((a) => a.account_type === 1 && a.amount === 88.5),
      'cash balance');
  console.log('ok ShowCustomerAccountBalances');
}

// The SDK keeps its connections open; end as soon as the steps are done.
main().then(() => process.exit(0), (error) => {
  console.log(`failed: ${error.message || JSON.stringify(error)}`);
  process.exit(1);
});
