// Signs requests with the provider's official SDK signer, for the gateway's signer test.
// Usage: node sign_oracle.js CASES.json — each case {ak, sk, method, scheme, host, path,
// query: [[name, value]], headers: [[name, value]] (X-Sdk-Date among them), body}; prints one
// Authorization header per case, in order.
'use strict';
const fs = require('fs');
const { AKSKSigner } = require('@huaweicloud/huaweicloud-sdk-core/auth/AKSKSigner');

const cases = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
for (const c of cases) {
  const headers = {};
  for (const [name, value] of c.headers) headers[name] = value;
  const queryParams = {};
  for (const [name, value] of c.query) {
    if (name in queryParams) {
      queryParams[name] = [].concat(queryParams[name], value);
    } else {
      queryParams[name] = value;
    }
  }
  const request = {
    method: c.method,
    endpoint: `${c.scheme}://${c.host}${c.path}`,
    headers,
    queryParams,
    // The SDK hashes JSON.stringify of the body object it sends.
    data: c.body ? JSON.parse(c.body) : undefined,
  };
  const credential = { getAk: () => c.ak, getSk: () => c.sk };
  const signed = AKSKSigner.sign(request, credential);
  process.stdout.write(`${signed.Authorization}\n`);
}
