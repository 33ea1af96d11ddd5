#!/usr/bin/env python3
"""Makes a real Firefox profile: firefox-esr, headless, driven through its
own remote protocol (Marionette, JSON over a loopback socket), visits the
loopback sites, types addresses into its address bar, and writes bookmarks,
a keyword, a tag, input history and page annotations through its own Places
API. Usage: firefox_profile.py PROFILE_DIR SITE_PORT DRIVER_PORT.
"""
import base64
import json
import os
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from site_server import favicon  # noqa: E402

profile, site_port, driver_port = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
HOSTS = ["example.org", "mail.example.org", "shop.example.org", "notexample.org", "news.test",
         "ads.tracker.test", "www.example.co.uk", "docs.example.org"]


def url(host, path="/"):
    return f"http://{host}:{site_port}{path}"


PREFS = {
    "network.dns.localDomains": ",".join(HOSTS),
    "marionette.port": driver_port,
    "network.proxy.type": 0,
    "dom.security.https_first": False,
    "dom.security.https_only_mode": False,
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.disabledForTesting": True,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "browser.safebrowsing.update.enabled": False,
    "extensions.update.enabled": False,
    "browser.places.interactions.enabled": True,
    "browser.urlbar.suggest.quicksuggest.sponsored": False,
}
with open(f"{profile}/user.js", "w") as out:
    for name, value in PREFS.items():
        out.write(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n")


class Driver:
    def __init__(self, port):
        for _ in range(300):
            try:
                self.sock = socket.create_connection(("127.0.0.1", port))
                break
            except OSError:
                time.sleep(0.1)
        else:
            sys.exit("firefox_profile: the browser's remote port never opened")
        self.buffer = b""
        self.next_id = 0
        self.read()

    def read(self):
        while b":" not in self.buffer:
            self.buffer += self.sock.recv(65536)
        size, _, rest = self.buffer.partition(b":")
        while len(rest) < int(size):
            rest += self.sock.recv(65536)
        self.buffer = rest[int(size):]
        return json.loads(rest[:int(size)])

    def call(self, command, params=None):
        self.next_id += 1
        body = json.dumps([0, self.next_id, command, params or {}]).encode()
        self.sock.sendall(str(len(body)).encode() + b":" + body)
        _, _, error, result = self.read()
        if error:
            sys.exit(f"firefox_profile: {command}: {error}")
        return result

    def script(self, text, *args):
        return self.call("WebDriver:ExecuteScript", {"script": text, "args": list(args)})


def make_profile(driver):
    driver.call("WebDriver:NewSession", {"capabilities": {}})

    # Links followed: visits of the link kind, cookies and favicons of each site.
    for host, path in [("example.org", "/"), ("example.org", "/a"), ("mail.example.org", "/"),
                       ("shop.example.org", "/"), ("shop.example.org", "/a"), ("notexample.org", "/"),
                       ("news.test", "/"), ("news.test", "/a"), ("ads.tracker.test", "/"),
                       ("www.example.co.uk", "/"), ("example.org", "/search?q=cats"),
                       ("example.org", "/")]:
        driver.call("WebDriver:Navigate", {"url": url(host, path)})

    driver.call("Marionette:SetContext", {"value": "chrome"})
    # Addresses typed into the address bar: typed visits.
    for address in [url("news.test", "/b"), url("example.org", "/b"), url("news.test", "/b")]:
        driver.script("""
            const [address] = arguments;
            const browser = gBrowser.selectedBrowser;
            const loaded = new Promise(done => {
              const listener = {
                onStateChange(progress, request, flags) {
                  if ((flags & Ci.nsIWebProgressListener.STATE_STOP) &&
                      (flags & Ci.nsIWebProgressListener.STATE_IS_NETWORK)) {
                    gBrowser.removeProgressListener(listener); done();
                  }
                },
                QueryInterface: ChromeUtils.generateQI(["nsIWebProgressListener",
                                                        "nsISupportsWeakReference"]),
              };
              gBrowser.addProgressListener(listener);
            });
            gURLBar.focus();
            gURLBar.value = address;
            gURLBar.handleCommand();
            return loaded;""", address)

    # Bookmarks (one of a page never visited), a keyword, a tag, input history,
    # page annotations and favicons (the headless browser fetches icons but
    # does not store them), through the browser's own Places API.
    driver.script("""
        const [home, news, manual, search, shop, icons] = arguments;
        // The browser window's own globals.
        return (async () => {
          await PlacesUtils.bookmarks.insert({ parentGuid: PlacesUtils.bookmarks.toolbarGuid,
                                               url: home, title: "Example home" });
          const folder = await PlacesUtils.bookmarks.insert({
            parentGuid: PlacesUtils.bookmarks.menuGuid, type: PlacesUtils.bookmarks.TYPE_FOLDER,
            title: "Reading" });
          await PlacesUtils.bookmarks.insert({ parentGuid: folder.guid, url: news, title: "News" });
          await PlacesUtils.bookmarks.insert({ parentGuid: folder.guid, url: manual,
                                               title: "Manual (never visited)" });
          await PlacesUtils.keywords.insert({ keyword: "ex", url: search });
          PlacesUtils.tagging.tagURI(Services.io.newURI(news), ["daily"]);
          await UrlbarUtils.addToInputHistory(news, "new");
          await UrlbarUtils.addToInputHistory(shop, "sho");
          await PlacesUtils.history.update({ url: shop,
                                             annotations: new Map([["ufc/visited-note", "history"]]) });
          await PlacesUtils.history.update({ url: home,
                                             annotations: new Map([["ufc/bookmark-note", "kept"]]) });
          for (const [page, icon, data] of icons) {
            await PlacesUtils.favicons.setFaviconForPage(Services.io.newURI(page),
                                                         Services.io.newURI(icon),
                                                         Services.io.newURI(data));
          }
        })();""", url("example.org"), url("news.test"), url("docs.example.org", "/manual"),
                  url("example.org", "/search?q=%s"), url("shop.example.org"),
                  [[url(host, path), url(host, icon), "data:image/png;base64,"
                    + base64.b64encode(favicon(host)).decode()]
                   for host, path, icon in [("example.org", "/", "/favicon.ico"),
                                            ("example.org", "/a", "/favicon.ico"),
                                            ("news.test", "/", "/favicon.png"),
                                            ("shop.example.org", "/", "/favicon.png"),
                                            ("notexample.org", "/", "/favicon.ico")]])
    time.sleep(2)
    driver.call("Marionette:Quit", {"flags": ["eAttemptQuit"]})


browser = subprocess.Popen(["firefox-esr", "--headless", "--marionette", "-remote-allow-system-access",
                            "--no-remote", "--profile", profile, "about:blank"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    driver = Driver(driver_port)
    make_profile(driver)
    browser.wait(timeout=60)
finally:
    # A browser that failed half-way is ended here, not left running.
    if browser.poll() is None:
        browser.terminate()
        browser.wait(timeout=60)
