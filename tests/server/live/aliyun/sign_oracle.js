// Alibaba Cloud's official Node SDKs sign the requests of the gateway's signer test. Reads
// the cases (key, Unix time, nonce, host, action, version, method, path, query, form body)
// from the JSON file named on the command line, sends each through both SDK generations
// (@alicloud/openapi-core, which the ECS and billing clients are built on, and the older
// @alicloud/openapi-client) with the network call replaced, and prints per case the
// headers and body each would have sent.
'use strict';

const fs = require('fs');
const { Readable } = require('stream');

const core = require('@alicloud/openapi-core');
const coreUtils = require('@alicloud/openapi-core/dist/utils').default;
const darabonba = require('@darabonba/typescript/dist/core');
const dara = require('@darabonba/typescript');
const legacy = require('@alicloud/openapi-client');
const tea = require('@alicloud/tea-typescript');
const teaUtil = require('@alicloud/tea-util');

let captured = null;
function capture(request) {
  captured = { headers: { ...request.headers }, query: { ...request.query } };
  const chunks = [];
  const body = request.body;
  if (body && typeof body.read === 'function') {
    let chunk;
    while ((chunk = body.read()) !== null) chunks.push(Buffer.from(chunk));
  }
  captured.body = Buffer.concat(chunks).toString('utf8');
  return { statusCode: 200, headers: {}, body: Readable.from([Buffer.from('{}')]) };
}
darabonba.doAction = async (request) => capture(request);
tea.doAction = async (request) => capture(request);

// The SDKs read the clock through `new Date()` and make their own nonces.
const RealDate = Date;
function freeze(unixSeconds) {
  const fixed = unixSeconds * 1000;
  global.Date = class extends RealDate {
    constructor(...args) {
      if (args.length === 0) super(fixed);
      else super(...args);
    }
    static now() {
      return fixed;
    }
  };
}

async function viaCore(c) {
  coreUtils.getNonce = () => c.nonce;
  const client = new core.default(new core.$OpenApiUtil.Config({
    accessKeyId: c.keyId, accessKeySecret: c.secret, endpoint: c.host,
  }));
  const params = new core.$OpenApiUtil.Params({
    action: c.action, version: c.version, protocol: 'HTTPS', pathname: c.path, method: c.method,
    authType: 'AK', style: 'RPC', reqBodyType: 'formData', bodyType: 'json',
  });
  const request = new core.$OpenApiUtil.OpenApiRequest({ query: c.query, body: c.body || undefined });
  await client.callApi(params, request, new dara.RuntimeOptions({}));
  return captured;
}

async function viaLegacy(c) {
  teaUtil.default.getNonce = () => c.nonce;
  const client = new legacy.default(new legacy.Config({
    accessKeyId: c.keyId, accessKeySecret: c.secret, endpoint: c.host,
  }));
  const params = new legacy.Params({
    action: c.action, version: c.version, protocol: 'HTTPS', pathname: c.path, method: c.method,
    authType: 'AK', style: 'RPC', reqBodyType: 'formData', bodyType: 'json',
  });
  const request = new legacy.OpenApiRequest({ query: c.query, body: c.body || undefined });
  await client.callApi(params, request, new teaUtil.RuntimeOptions({}));
  return captured;
}

(async () => {
  const cases = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
  const out = [];
  for (const c of cases) {
    freeze(c.time);
    try {
      out.push({ core: await viaCore(c), legacy: await viaLegacy(c) });
    } finally {
      global.Date = RealDate;
    }
  }
  process.stdout.write(JSON.stringify(out));
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
