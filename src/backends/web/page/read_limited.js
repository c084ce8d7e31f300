// Reads a stream of bytes whole, but never more than `maxBytes`: a larger one is cut off where it
// passes the limit (a RangeError), so a huge file costs no more than the limit to refuse. The
// page (sound cues, runs) and the service worker (the files it keeps) both read this way.
'use strict';

async function readLimited(stream, maxBytes) {
  const reader = stream.getReader();
  const chunks = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    size += value.length;
    if (size > maxBytes) {
      reader.cancel().catch(() => {});
      throw new RangeError(`larger than ${maxBytes} bytes`);
    }
    chunks.push(value);
  }
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const chunk of chunks) {
    bytes.set(chunk, at);
    at += chunk.length;
  }
  return bytes;
}
