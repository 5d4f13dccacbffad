// The official Tencent Cloud SDK's TC3-HMAC-SHA256 signer, run on the cases in the JSON file
// named on the command line: one line of JSON per case with the Authorization header the SDK
// computes and the body exactly as the SDK serialises it (run with NODE_PATH pointing at
// tests/oracles/node_modules).
"use strict";
const fs = require("fs");
const Sign = require("tencentcloud-sdk-nodejs-common/tencentcloud/common/sign").default;
const JSONbig = require("json-bigint")({ useNativeBigInt: true });

const cases = JSON.parse(fs.readFileSync(process.argv[2], "utf8"));
for (const c of cases) {
  // The SDK signs the JSON text of a request object; give it the object our body parses to,
  // so a difference in serialisation shows as well as one in signing.
  const payload = JSONbig.parse(c.body);
  const authorization = Sign.sign3({
    method: "POST",
    url: `https://${c.host}/`,
    payload,
    timestamp: c.timestamp,
    service: c.service,
    secretId: c.secretId,
    secretKey: c.secretKey,
    multipart: false,
    headers: { "Content-Type": c.contentType },
  });
  console.log(JSON.stringify({ authorization, body: JSONbig.stringify(payload) }));
}
