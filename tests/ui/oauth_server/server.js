'use strict';
// Token endpoint for the sign-in tests: the password grant of a real OAuth 2
// server library behind a plain node http server, on loopback only.
//
//   node server.js <client_id> <client_secret> <username> <password>
//
// Prints "LISTENING <port>" once ready and "ISSUED <access> <refresh>" for every
// token it hands out, so a test can check what reached the unit.
const http = require('http');
const querystring = require('querystring');
const crypto = require('crypto');
const OAuth2Server = require('@node-oauth/oauth2-server');

const [clientId, clientSecret, userName, userPassword] = process.argv.slice(2);
if (!clientId || !clientSecret || !userName || userPassword === undefined) {
  console.error('usage: server.js client_id client_secret username password');
  process.exit(2);
}

const tokens = [];
const model = {
  getClient(id, secret) {
    if (id !== clientId || (secret !== null && secret !== clientSecret)) return null;
    return { id, grants: ['password', 'refresh_token'] };
  },
  getUser(name, password) {
    return name === userName && password === userPassword ? { id: name } : null;
  },
  generateAccessToken() { return 'at-' + crypto.randomBytes(12).toString('hex'); },
  generateRefreshToken() { return 'rt-' + crypto.randomBytes(12).toString('hex'); },
  saveToken(token, client, user) {
    const saved = { ...token, client, user };
    tokens.push(saved);
    console.log(`ISSUED ${token.accessToken} ${token.refreshToken}`);
    return saved;
  },
  getAccessToken(accessToken) { return tokens.find((t) => t.accessToken === accessToken) || null; },
  validateScope(user, client, scope) { return scope || ['default']; },
};

const oauth = new OAuth2Server({ model });
const MAX_BODY = 64 * 1024;

const server = http.createServer((req, res) => {
  // The client sends its credentials in the request URI's user part; HTTP
  // clients only turn those into an Authorization header after a challenge.
  if (!req.headers.authorization) {
    res.writeHead(401, { 'WWW-Authenticate': 'Basic realm="token"', 'Content-Type': 'application/json' });
    res.end(JSON.stringify({ error: 'invalid_client' }));
    req.resume();
    return;
  }
  const chunks = [];
  let size = 0;
  req.on('data', (c) => {
    size += c.length;
    if (size > MAX_BODY) req.destroy();
    else chunks.push(c);
  });
  req.on('end', async () => {
    const body = querystring.parse(Buffer.concat(chunks).toString('utf8'));
    const request = new OAuth2Server.Request({
      method: req.method, headers: req.headers, query: {}, body,
    });
    const response = new OAuth2Server.Response({ headers: {} });
    try {
      await oauth.token(request, response);
    } catch (err) {
      response.status = err.code || 500;
      response.body = { error: err.name, error_description: err.message };
    }
    res.writeHead(response.status || 200, { 'Content-Type': 'application/json', ...response.headers });
    res.end(JSON.stringify(response.body || {}));
  });
});

server.listen(0, '127.0.0.1', () => {
  console.log(`LISTENING ${server.address().port}`);
});
process.on('SIGTERM', () => server.close(() => process.exit(0)));
