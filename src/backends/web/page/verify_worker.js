// The page's verifier, off the page's thread: each message {id, text, name} is a run checked by
// kueruma-replay --verify's own code (kueruma-verify.js), answered with {id, status, report,
// problems}: the status as --verify's exit status, its report lines and its problem lines.
'use strict';

const asked = [];
let ready = false;

function check({ id, text, name }) {
  const textAt = Module.allocateUTF8(text);
  const nameAt = Module.allocateUTF8(name);
  const status = Module._kueruma_verify(textAt, Module.lengthBytesUTF8(text), nameAt);
  Module._free(textAt);
  Module._free(nameAt);
  postMessage({
    id,
    status,
    report: Module.UTF8ToString(Module._kueruma_verifyReport()),
    problems: Module.UTF8ToString(Module._kueruma_verifyProblems()),
  });
}

// A verifier that cannot start (its .wasm missing or damaged) answers every run so.
let broken = '';
function refuse({ id }) {
  postMessage({ id, status: 3, report: '', problems: `the verifier cannot start: ${broken}` });
}
self.Module = {
  onRuntimeInitialized() {
    ready = true;
    for (const message of asked.splice(0)) check(message);
  },
  onAbort(what) {
    broken = String(what);
    for (const message of asked.splice(0)) refuse(message);
  },
};
self.onmessage = ({ data }) => {
  if (broken) refuse(data);
  else if (ready) check(data);
  else asked.push(data);
};
importScripts('kueruma-verify.js');
