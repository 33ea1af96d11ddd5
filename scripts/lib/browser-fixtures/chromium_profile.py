#!/usr/bin/env python3
"""Makes a real Chromium profile: chromium, headless, driven through its own
DevTools protocol over a pipe (JSON messages ending in NUL on descriptors 3
and 4), visits the loopback sites by link and by typed address, then closes
the browser so it writes its databases out. Every host name resolves to this
machine. Usage: chromium_profile.py USER_DATA_DIR SITE_PORT.
"""
import json
import os
import subprocess
import sys
import tempfile
import time

user_data, site_port = sys.argv[1], int(sys.argv[2])


def url(host, path="/"):
    return f"http://{host}:{site_port}{path}"


extension = tempfile.mkdtemp()
with open(f"{extension}/manifest.json", "w") as out:
    json.dump({"name": "fixture bookmarks", "version": "1", "manifest_version": 3,
               "permissions": ["bookmarks"], "background": {"service_worker": "worker.js"}}, out)
with open(f"{extension}/worker.js", "w") as out:
    marks = [("1", "Example home", url("example.org")), ("1", "News", url("news.test")),
             ("2", "Manual (never visited)", url("docs.example.org", "/manual"))]
    out.write("".join(f"chrome.bookmarks.create({json.dumps({'parentId': p, 'title': t, 'url': u})});\n"
                      for p, t, u in marks))

to_browser_read, to_browser = os.pipe()
from_browser, from_browser_write = os.pipe()


def give_pipes():
    """In the child: its ends of the pipes become descriptors 3 and 4."""
    read_end, write_end = os.dup(to_browser_read), os.dup(from_browser_write)
    os.dup2(read_end, 3)
    os.dup2(write_end, 4)


browser = subprocess.Popen(
    ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
     "--disable-background-networking", "--disable-component-update", "--disable-sync",
     "--password-store=basic", "--remote-debugging-pipe", "--enable-unsafe-extension-debugging", f"--user-data-dir={user_data}",
     "--host-resolver-rules=MAP * 127.0.0.1", "about:blank"],
    pass_fds=(3, 4), preexec_fn=give_pipes, stdout=subprocess.DEVNULL,
    stderr=subprocess.DEVNULL)
os.close(to_browser_read)
os.close(from_browser_write)
sink = os.fdopen(to_browser, "wb", buffering=0)
source = os.fdopen(from_browser, "rb", buffering=0)
pending = b""
next_id = 0


def receive():
    global pending
    while b"\0" not in pending:
        chunk = source.read(65536)
        if not chunk:
            sys.exit("chromium_profile: the browser closed its pipe")
        pending += chunk
    message, _, pending = pending.partition(b"\0")
    return json.loads(message)


def call(method, params=None, session=None, until_event=None):
    """Sends one command; returns its result, or waits for an event after it."""
    global next_id
    next_id += 1
    message = {"id": next_id, "method": method, "params": params or {}}
    if session:
        message["sessionId"] = session
    sink.write(json.dumps(message).encode() + b"\0")
    result = None
    while True:
        answer = receive()
        if answer.get("id") == next_id:
            if "error" in answer:
                sys.exit(f"chromium_profile: {method}: {answer['error']}")
            result = answer["result"]
            if not until_event:
                return result
        elif until_event and answer.get("method") == until_event and result is not None:
            return result


try:
    target = call("Target.createTarget", {"url": "about:blank"})["targetId"]
    session = call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
    call("Page.enable", session=session)
    visits = [("example.org", "/", "link"), ("example.org", "/a", "link"),
              ("mail.example.org", "/", "link"), ("shop.example.org", "/", "typed"),
              ("shop.example.org", "/a", "link"), ("notexample.org", "/", "link"),
              ("news.test", "/", "typed"), ("news.test", "/a", "link"),
              ("ads.tracker.test", "/", "link"), ("www.example.co.uk", "/", "link"),
              ("example.org", "/search?q=cats", "form_submit"), ("news.test", "/b", "typed"),
              ("example.org", "/", "typed"), ("news.test", "/", "typed")]
    for host, path, transition in visits:
        call("Page.navigate", {"url": url(host, path), "transitionType": transition},
             session=session, until_event="Page.loadEventFired")
    # Bookmarks through the browser's own extension API: an unpacked
    # extension whose worker makes them (one of a page never visited).
    call("Extensions.loadUnpacked", {"path": extension})
    time.sleep(3)
    call("Browser.close")
    browser.wait(timeout=60)
finally:
    # A browser that failed half-way is ended here, not left running.
    if browser.poll() is None:
        browser.terminate()
        browser.wait(timeout=60)
