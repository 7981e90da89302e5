// Shared by the process page and the launcher page: names, paths, settings and the
// self-update steps. Plain ES5: the pages run in our own engine.
var Launcher = (function () {
  'use strict';

  var L = {};

  // Names shared by both pages and by the program's restarts.
  L.INSTANCE_SECTION = 'webshell_launcher_single_instance';
  L.PID_VARIABLE = 'WEBSHELL_LAUNCHER_PID';
  L.PROCESS_FLAG = 'mainProcess';
  L.LAUNCHER_FLAG = 'main.html';
  L.SETTINGS_FILE = 'launcher.ini';
  L.LANGSET = 'langset.exe';

  // The window message that closes a page's window.
  L.WM_CLOSE = 0x10;

  // Where langset keeps the game's language choices (HKEY_CURRENT_USER).
  L.HKEY_CURRENT_USER = 0x80000001;
  L.GAME_SETTINGS_KEY = 'Software\\Quillmoor\\Lantern Harbor 9 for Orbit\\Graphic Setting';

  L.TEXT_LANGUAGES = [
    { value: 0, name: '\u65e5\u672c\u8a9e' },          // 日本語
    { value: 1, name: 'English' },
    { value: 4, name: '\u7e41\u9ad4\u4e2d\u6587' },    // 繁體中文
    { value: 5, name: '\u7b80\u4f53\u4e2d\u6587' }     // 简体中文
  ];
  L.VOICE_LANGUAGES = [
    { value: 0, name: '\u65e5\u672c\u8a9e' },          // 日本語
    { value: 1, name: 'English' },
    { value: 2, name: '\u666e\u901a\u8bdd' }           // 普通话
  ];
  // What langset writes when it runs without arguments.
  L.DEFAULT_TEXT = 1;
  L.DEFAULT_VOICE = 0;

  L.log = function (text) {
    if (typeof console !== 'undefined' && console.log) console.log(text);
  };

  // ---- Paths --------------------------------------------------------------------------

  L.folderOf = function (path) {
    var cut = Math.max(path.lastIndexOf('\\'), path.lastIndexOf('/'));
    return cut < 0 ? '' : path.substring(0, cut);
  };

  L.fileNameOf = function (path) {
    var cut = Math.max(path.lastIndexOf('\\'), path.lastIndexOf('/'));
    return path.substring(cut + 1);
  };

  L.isAbsolute = function (path) {
    return /^[A-Za-z]:[\\\/]/.test(path) || /^[\\\/][\\\/]/.test(path);
  };

  L.quote = function (path) {
    return '"' + path + '"';
  };

  L.programPath = function () { return GetProcessPath(); };
  L.programFolder = function () { return L.folderOf(GetProcessPath()); };
  L.besideProgram = function (name) { return L.programFolder() + '\\' + name; };

  // The newer copy of the program that an updater downloads next to it: the program's own
  // name with ".new" before ".exe" (webshell.exe → webshell.new.exe).
  L.updateCopyOf = function (program) {
    var folder = L.folderOf(program);
    var name = L.fileNameOf(program);
    var dot = name.lastIndexOf('.');
    var stem = dot < 0 ? name : name.substring(0, dot);
    var extension = dot < 0 ? '' : name.substring(dot);
    return folder + '\\' + stem + '.new' + extension;
  };

  // The program is never written in place: the copy goes to this name beside it first.
  L.partialCopyOf = function (program) {
    return program + '.partial';
  };

  // ---- Command line -------------------------------------------------------------------

  // The value after a switch such as "-update " on the command line: a quoted path, or the
  // text up to the next blank. undefined when the switch is absent.
  L.switchValue = function (commandLine, name) {
    var at = commandLine.indexOf(name);
    if (at < 0) return undefined;
    var rest = commandLine.substring(at + name.length).replace(/^\s+/, '');
    if (rest.charAt(0) === '"') {
      var end = rest.indexOf('"', 1);
      return end < 0 ? rest.substring(1) : rest.substring(1, end);
    }
    var blank = rest.search(/\s/);
    return blank < 0 ? rest : rest.substring(0, blank);
  };

  // ---- Settings -----------------------------------------------------------------------

  // A REG_DWORD read as text: its four bytes come back as UTF-16 units up to the first zero,
  // so a small value is the code of the first character and 0 is the empty text.
  L.readDword = function (name) {
    var text = RegQueryString(L.HKEY_CURRENT_USER, 0, L.GAME_SETTINGS_KEY, name);
    if (typeof text !== 'string') return undefined;
    if (text.length === 0) return 0;
    return text.charCodeAt(0) + (text.length > 1 ? text.charCodeAt(1) * 65536 : 0);
  };

  L.offers = function (choices, value) {
    for (var i = 0; i < choices.length; i++) {
      if (choices[i].value === value) return true;
    }
    return false;
  };

  // The choices the game has now, or langset's defaults when they are missing or unknown.
  L.currentChoices = function () {
    var text = L.readDword('Language');
    var voice = L.readDword('LanguageVoice');
    return {
      text: L.offers(L.TEXT_LANGUAGES, text) ? text : L.DEFAULT_TEXT,
      voice: L.offers(L.VOICE_LANGUAGES, voice) ? voice : L.DEFAULT_VOICE
    };
  };

  // The game to start, from launcher.ini next to the program:
  //   [Game]
  //   Path=Game\game.exe        (absolute, or relative to the program's folder)
  //   Arguments=-windowed       (optional)
  // Gives { path, arguments, folder } or { error } with a text for the page.
  L.gameSettings = function () {
    var ini = L.besideProgram(L.SETTINGS_FILE);
    if (!IsFileExists(ini)) {
      return { error: 'No game is set up: ' + L.SETTINGS_FILE + ' is missing next to ' +
                      L.fileNameOf(L.programPath()) + '.' };
    }
    var path = GetPrivateProfileString(ini, 'Game', 'Path');
    path = path ? path.replace(/^\s+|\s+$/g, '') : '';
    if (!path) {
      return { error: 'No game is set up: ' + L.SETTINGS_FILE + ' has no Path in its [Game] section.' };
    }
    if (!L.isAbsolute(path)) path = L.programFolder() + '\\' + path;
    if (!IsFileExists(path)) {
      return { error: 'The game was not found: ' + path };
    }
    return {
      path: path,
      arguments: GetPrivateProfileString(ini, 'Game', 'Arguments') || '',
      folder: L.folderOf(path)
    };
  };

  // ---- Self-update --------------------------------------------------------------------

  // True when a copy that differs from the running program lies next to it. A copy equal to
  // the program is stale and removed.
  L.updateWaiting = function () {
    var program = L.programPath();
    var copy = L.updateCopyOf(program);
    if (!IsFileExists(copy)) return false;
    if (GetFileCRC32(copy) === GetFileCRC32(program)) {
      DeleteFile(copy);
      return false;
    }
    return true;
  };

  // Starts the downloaded copy, which replaces this program once it has ended.
  L.startUpdate = function () {
    var program = L.programPath();
    var copy = L.updateCopyOf(program);
    var started = CreateProcess(copy, L.quote(copy) + ' -update ' + L.quote(program), L.programFolder(), 0, 0);
    L.log('update started ' + started['return']);
    if (started['return']) {
      CloseHandle(started.hThread);
      CloseHandle(started.hProcess);
    }
    return started['return'] === 1;
  };

  // Waits (ten tries, half a second apart) until nobody holds the file.
  L.waitUntilFree = function (path) {
    for (var attempt = 1; attempt <= 10; attempt++) {
      if (!IsFileBeLock(path)) return true;
      L.log('locked ' + attempt);
      if (attempt < 10) Sleep(500);
    }
    return false;
  };

  // Run by the downloaded copy: puts itself in place of target. The target is replaced in
  // one step (a move of a complete, checked copy), so it is either the old program or the
  // new one, never a half-written file. Gives true when the target is now this program.
  L.replaceProgram = function (target) {
    var source = L.programPath();
    var partial = L.partialCopyOf(target);
    if (!L.waitUntilFree(target)) {
      L.log('update gave up: ' + target + ' stays locked');
      return false;
    }
    var expected = GetFileCRC32(source);
    if (!CopyFile(source, partial, 0) || GetFileCRC32(partial) !== expected) {
      DeleteFile(partial);
      L.log('update gave up: the copy is incomplete');
      return false;
    }
    // 1 = replace an existing file, 8 = return only once the move is on disk.
    if (!MoveFileEx(partial, target, 1 | 8)) {
      DeleteFile(partial);
      L.log('update gave up: ' + target + ' cannot be replaced');
      return false;
    }
    var matches = GetFileCRC32(target) === expected;
    L.log('update crc ' + (matches ? 'matches' : 'differs'));
    return matches;
  };

  // Run by the updated program on its first start: removes the downloaded copy, which may
  // still be running its last moments.
  L.removeUpdateCopy = function (copy) {
    // Only ever the one file this program's updates arrive as.
    if (copy.toLowerCase() !== L.updateCopyOf(L.programPath()).toLowerCase()) return;
    var attempts = 0;
    function attempt() {
      attempts++;
      if (DeleteFile(copy) || !IsFileExists(copy)) {
        L.log('update copy removed');
      } else if (attempts < 10) {
        setTimeout(attempt, 500);
      } else {
        L.log('update copy stays: ' + copy);
      }
    }
    attempt();
  };

  // ---- Update check -------------------------------------------------------------------

  // launcher.ini may name where updates are announced:
  //   [Update]
  //   Manifest=https://example.com/launcher/manifest.json
  // Without it the launcher never looks for updates.
  L.UPDATER_NAME = 'launcher';
  L.updateManifest = function () {
    var ini = L.besideProgram(L.SETTINGS_FILE);
    if (!IsFileExists(ini)) return '';
    var url = GetPrivateProfileString(ini, 'Update', 'Manifest');
    return url ? url.replace(/^\s+|\s+$/g, '') : '';
  };

  // The process page's last update text, shown in the launcher window.
  L.updateText = '';
  L.showUpdateText = function (text) {
    if (text !== undefined) {
      L.updateText = text;
      L.log('update ' + text);
    }
    if (L.updateText) wkeRunJS(L.LAUNCHER_FLAG, 'showUpdate(' + JSON.stringify(L.updateText) + ')');
  };

  // Run by the process page at start: asks the updater whether the manifest names a newer
  // version, and if so downloads it as the program's update copy (webshell.new.exe), which the
  // close-time replacement then installs. The updater checks the manifest's signature against
  // update-key.pub and the download's size and SHA-256 against the manifest.
  L.checkForUpdate = function () {
    var manifest = L.updateManifest();
    if (!manifest) return false;
    var name = L.UPDATER_NAME;
    P2PUpdater_Init(name, manifest, L.updateCopyOf(L.programPath()));
    var local = P2PUpdater_GetLocalVersion(name);
    L.log('version ' + local);
    L.showUpdateText('Version ' + local + ': looking for updates\u2026');
    function failed(state) {
      L.showUpdateText('Version ' + local + ': the update failed (' + state + ')');
    }
    function watch(wanted, onDone, describe) {
      var timer = setInterval(function () {
        var info = P2PUpdater_GetInfo(name);
        if (!info) return;
        if (info.state === wanted) {
          clearInterval(timer);
          onDone();
        } else if (info.state < 0) {
          clearInterval(timer);
          failed(info.state);
        } else {
          describe(info);
        }
      }, 250);
    }
    return P2PUpdater_IsNeedUpdate(name, function (needed) {
      var remote = P2PUpdater_GetRemoteVersion(name);
      var state = P2PUpdater_GetInfo(name).state;
      if (!needed) {
        if (state === 2) L.showUpdateText('Version ' + local + ' is up to date');
        else failed(state);
        return;
      }
      L.showUpdateText('Downloading version ' + remote + '\u2026');
      P2PUpdater_StartDownload(name);
      watch(6, function () {
        // A packed download is unpacked to the update copy; a plain one is only checked again.
        P2PUpdater_ApplyGZ(name);
        watch(8, function () {
          P2PD_Remove(name, 1);
          L.showUpdateText('Version ' + remote + ' is ready: it is installed when the launcher closes');
        }, function () {
          L.showUpdateText('Unpacking version ' + remote + ': ' +
                           Math.floor(P2PUpdater_GetApplyGZProgress(name) * 100) + ' %');
        });
      }, function (info) {
        L.showUpdateText('Downloading version ' + remote + ': ' + Math.floor(info.progress * 100) + ' %');
      });
    }, 0);
  };

  return L;
})();
