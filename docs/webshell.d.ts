// The native functions of webshell, for editors and the TypeScript compiler.
// Made by tools/natives-doc from app/natives.json; edit that file, not this one.

interface WindowRect {
  left: number;
  top: number;
  right: number;
  bottom: number;
}

interface CursorPoint {
  x: number;
  y: number;
}

interface DiskSpace {
  /** free bytes available to the user */
  ui1: number;
  /** total bytes of the volume */
  ui2: number;
  /** total free bytes */
  ui3: number;
}

interface FileListEntry {
  /** full path */
  fp: string;
  /** attribute bits */
  fa: number;
  /** size in bytes */
  fs: number;
  /** creation time, seconds since 1970 UTC */
  ftc: number;
  /** last access time */
  fta: number;
  /** last write time */
  ftw: number;
}

interface FileListResult {
  [index: number]: FileListEntry;
}

interface DroppedFiles {
  [index: number]: string;
}

interface DisplayList {
  [index: number]: WindowRect;
}

interface ProcessInfo {
  /** 1 when the program started, else 0 */
  return: number;
  dwProcessId: number;
  dwThreadId: number;
  hProcess: number;
  hThread: number;
}

interface OpenFileOptions {
  /** flag of the owner window */
  hwndOwner?: string;
  /** label and pattern pairs separated by \0 */
  lpstrFilter?: string;
  lpstrInitialDir?: string;
  nFilterIndex?: number;
  Flags?: number;
}

interface TrayOptions {
  /** 0 add (default), 1 modify, 2 delete */
  NIM_contrl_code?: number;
  /** 1 messages, 2 icon, 4 tip, 0x10 balloon */
  uFlags?: number;
  dwInfoFlags?: number;
  szTip?: string;
  szInfoTitle?: string;
  szInfo?: string;
  /** left button down */
  MessageJSCallBack_513?: () => void;
  /** left button up */
  MessageJSCallBack_514?: () => void;
  /** left double click */
  MessageJSCallBack_515?: () => void;
  /** right button down */
  MessageJSCallBack_516?: () => void;
  /** right button up */
  MessageJSCallBack_517?: () => void;
}

interface MinMaxInfo {
  ptMinTrackSize_x?: number;
  ptMinTrackSize_y?: number;
  ptMaxTrackSize_x?: number;
  ptMaxTrackSize_y?: number;
  ptMaxSize_x?: number;
  ptMaxSize_y?: number;
  ptMaxPosition_x?: number;
  ptMaxPosition_y?: number;
}

interface UpdaterInfo {
  state: number;
  speed: number;
  progress: number;
}

/**
 * Returns the host's build stamp, ver.<build date>.<build time>, for example ver.Oct 16 2017.16:24:27.
 * @returns the build stamp, the same on every call of one build; on failure cannot fail
 */
declare function GetCoreVersion(): string;

/**
 * Adds an archive file or a folder under the program's folder to the places pages and ReadUTF8File are looked up in.
 * @param path archive path (relative to the current directory) or folder name (relative to the program's folder)
 * @param where 1 searches it before the package, anything else after
 * @returns undefined; on failure undefined (nothing is checked)
 */
declare function wke_FILE_add_path(path: string, where?: number): void;

/**
 * Downloads a URL (http or https) into a file in the background, resuming from what an earlier run left, and reports progress.
 * @param path target file; its state is kept in path + ".json"
 * @param interval milliseconds between progress calls; 0 means 100
 * @param callback called on the UI thread: every interval while the size is known; the call with downloaded equal to total comes once, last, when the file is complete on disk; a download that keeps failing ends without that call
 * @returns undefined at once; on failure undefined; failures show only as a missing final call
 */
declare function curl_http_download(url: string, path: string, callback: (downloaded: number, total: number) => void, interval: number): void;

/**
 * Extracts the entries of a ZIP archive whose names start with a prefix into a folder in the background, reporting progress.
 * @param archive ZIP file; in the three-argument form the program's own package
 * @param prefix plain byte prefix of the entry names; "" takes every entry
 * @param destination joined to entry names as plain text, so end it with a backslash
 * @param callback called on the UI thread: after every chunk of up to 4 MiB written; done equals total once, last; a damaged entry or a file that cannot be written ends with done = -1
 * @returns undefined at once; on failure undefined; an archive that cannot be opened makes no call
 */
declare function unzip(archive: string, prefix: string, destination: string, callback: (done: number, total: number) => void): void;
/**
 * Extracts the entries of a ZIP archive whose names start with a prefix into a folder in the background, reporting progress.
 * @param archive ZIP file; in the three-argument form the program's own package
 * @param prefix plain byte prefix of the entry names; "" takes every entry
 * @param destination joined to entry names as plain text, so end it with a backslash
 * @param callback called on the UI thread: after every chunk of up to 4 MiB written; done equals total once, last; a damaged entry or a file that cannot be written ends with done = -1
 * @returns undefined at once; on failure undefined; an archive that cannot be opened makes no call
 */
declare function unzip(prefix: string, destination: string, callback: (done: number, total: number) => void): void;

/**
 * Hands a 7z extraction to the plug-in plugins\7zC.dll in the background and forwards its progress reports.
 * @param archive 7z file; "" is the program's own executable
 * @param text1 passed to the plug-in
 * @param text2 passed to the plug-in
 * @param text3 passed to the plug-in
 * @param number passed to the plug-in; 300 when left out
 * @param callback called on the UI thread: whenever the plug-in reports; done equals total when the extraction is finished
 * @returns undefined at once; on failure undefined; without the plug-in nothing is called back
 */
declare function un7z(archive: string, text1: string, text2: string, text3: string, callback: (name: string, number: number, done: number, total: number) => void, number?: number): void;

/**
 * Writes a text as UTF-8 with a byte-order mark, replacing the file and creating missing folders.
 * @param text read as UTF-8
 * @returns bytes written: 3 + the text's UTF-8 length; on failure a huge number (2^64 - 1 or 2^64 - 2 when writes failed)
 */
declare function WriteUTF8File(path: string, text: string): number;

/**
 * Reads a UTF-8 text file from the package, an added archive or folder, or the disk, without its byte-order mark.
 * @returns the text up to its first zero byte; on failure an empty string when the file is found nowhere
 */
declare function ReadUTF8File(path: string): string;

/**
 * Opens a new frameless web-view window at 0, 0 with size 0 x 0 and loads a page into it; the page shows and sizes it.
 * @param name window text and first flag
 * @param style window style, for example 0x82000000
 * @param exStyle extended style; 0x00080000 (WS_EX_LAYERED) for per-pixel alpha
 * @param parentFlag "" no parent; a known flag that window; any other text the calling page's window
 * @param page http: or https: URL, else a file name looked up in the package
 * @returns undefined; on failure undefined (success is not reported)
 */
declare function wkeCreateWindow(name: string, style: number, exStyle: number, parentFlag: string, page: string): void;

/**
 * Opens a window that hosts the system's own web browser control and navigates it to a URL (pages in it cannot call natives).
 * @param name window text and flag
 * @param parentFlag as for wkeCreateWindow
 * @returns undefined; on failure undefined (nothing is reported)
 */
declare function wieCreateWindow(name: string, style: number, exStyle: number, parentFlag: string, url: string): void;

/**
 * Loads another page into the calling page's own window.
 * @param page URL or package file name
 * @returns undefined; on failure undefined
 */
declare function WKELoadFile(page: string): void;

/**
 * Loads a page into the window that carries a flag ("" is looked up as a flag too).
 * @param flag window flag; "" is the calling page's own window
 * @returns true when the window was found; on failure false
 */
declare function wkeLoadFile(flag: string, page: string): boolean;

/**
 * Runs a script in the page of the window that carries a flag and returns its result.
 * @param flag window flag; "" is the calling page's own window
 * @returns the script's result value; on failure undefined when no such window
 */
declare function wkeRunJS(flag: string, script: string): any;

/**
 * Writes a shell shortcut (.lnk), creating its folder when missing.
 * @returns undefined; on failure undefined (nothing is reported)
 */
declare function CreateShortcut(linkPath: string, target: string, commandArguments: string, workingFolder: string, iconPath: string, iconIndex: number): void;

/**
 * Creates or opens a named mutex.
 * @param initialOwner 1 to own it at once
 * @returns the mutex handle; on failure 0
 */
declare function CreateMutex(name: string, initialOwner: number): number;

/**
 * Closes a process, thread, event or mutex handle the page got from another function.
 * @returns 1; on failure 0
 */
declare function CloseHandle(handle: number): number;

/**
 * Sets an environment variable of the program, which every program it starts afterwards inherits.
 * @param value converted to text
 * @returns 1; on failure 0
 */
declare function SetEnvironmentVariable(name: string, value: string | number): number;

/**
 * Reads an environment variable of the program.
 * @returns the value; on failure an empty string when not set
 */
declare function GetEnvironmentVariable(name: string): string;

/**
 * Returns the program's process id.
 * @returns the process id; on failure cannot fail
 */
declare function GetCurrentProcessId(): number;

/**
 * Creates or opens a named event.
 * @param manualReset 1 for a manual-reset event
 * @param initialState 1 to start signalled
 * @returns the event handle; on failure 0
 */
declare function CreateEvent(manualReset: number, initialState: number, name: string): number;

/**
 * Opens an existing named event.
 * @param desiredAccess for example 0x1F0003 (EVENT_ALL_ACCESS)
 * @returns the event handle; on failure 0
 */
declare function OpenEvent(desiredAccess: number, inheritHandle: number, name: string): number;

/**
 * Creates a named shared-memory block filled with zeros that stays open until the program ends.
 * @param size bytes; 0 or left out means 16384
 * @returns 183 when this call created it, 1 when it already existed; on failure 0
 */
declare function CreateFileMapping(name: string, size?: number): number;

/**
 * Reads the UTF-16 text at the start of a named shared-memory block.
 * @param unused read and ignored
 * @returns the text up to its first zero character; on failure undefined when the block cannot be opened
 */
declare function ReadFileMapping(name: string, unused?: number): string | undefined;

/**
 * Writes a text (at most 2047 characters) at the start of a named shared-memory block of at least 4096 bytes.
 * @param unused read and ignored
 * @returns undefined; on failure undefined
 */
declare function WriteFileMapping(name: string, text: string, unused?: any): void;

/**
 * Reads a text from the program's in-memory key/value store, shared by all windows.
 * @returns the stored text; on failure an empty string when never set
 */
declare function GetKeyString(key: string): string;

/**
 * Stores a text in the program's in-memory key/value store (never written to disk).
 * @returns undefined; on failure undefined
 */
declare function SetKeyString(key: string, value: string): void;

/**
 * Makes a window copy its rendered 32-bit pixels into a named shared-memory block after every paint.
 * @param flag "" the calling page's window
 * @param size bytes
 * @returns 1; on failure 0 (unknown window, or the block cannot be made)
 */
declare function wkeUpdateRenderFM(flag: string, mappingName: string, size: number): number;

/**
 * Returns the mouse position in screen pixels.
 * @returns {x, y}; on failure cannot fail
 */
declare function GetCursorPos(): CursorPoint;

/**
 * Returns a system metric (0 screen width, 1 screen height, 80 monitor count, ...).
 * @returns the metric's value; on failure 0
 */
declare function GetSystemMetrics(index: number): number;

/**
 * Finds a top-level window by class name and title ("" is not 'any').
 * @returns the window handle; on failure 0
 */
declare function FindWindow(className: string, windowName: string): number;

/**
 * Returns a window's rectangle in screen coordinates.
 * @param window flag, or a window handle number
 * @returns {left, top, right, bottom}; on failure all 0 when the window is unknown
 */
declare function GetWindowRect(window: string | number): WindowRect;

/**
 * Returns the rectangle of every display device in virtual-screen coordinates, by device number.
 * @returns an object with one Rect per device number (no length property); on failure devices that cannot be read are missing
 */
declare function EnumDisplaySettings(): DisplayList;

/**
 * Moves, sizes, shows or re-orders a window (the Win32 SetWindowPos).
 * @param flag window flag; "" is the calling page's own window
 * @param insertAfter "0" top, "1" bottom, "-1" topmost, "-2" not topmost, else a flag
 * @param flags SWP_* bits, 0x0040 shows the window
 * @returns non-zero; on failure 0
 */
declare function SetWindowPos(flag: string, insertAfter: number | string, flags: number, x: number, y: number, cx: number, cy: number): number;

/**
 * Sets a window's title (what the taskbar shows).
 * @param flag window flag; "" is the calling page's own window
 * @returns non-zero; on failure 0
 */
declare function SetWindowText(flag: string, text: string): number;

/**
 * Reads a window value such as the style (-16) or extended style (-20).
 * @param flag window flag; "" is the calling page's own window
 * @returns the value, signed (a WS_POPUP style is negative); on failure 0
 */
declare function GetWindowLong(flag: string, index: number): number;

/**
 * Changes a window value such as the extended style (-20, 0x00080000 makes it layered).
 * @param flag window flag; "" is the calling page's own window
 * @returns the previous value, signed; on failure 0
 */
declare function SetWindowLong(flag: string, index: number, value: number): number;

/**
 * Tells whether a window is maximised.
 * @param flag window flag; "" is the calling page's own window
 * @returns 1 when maximised; on failure 0
 */
declare function IsZoomed(flag: string): number;

/**
 * Tells whether a window is minimised.
 * @param flag window flag; "" is the calling page's own window
 * @returns 1 when minimised; on failure 0
 */
declare function IsIconic(flag: string): number;

/**
 * Shows, hides, minimises (6), maximises (3) or restores (9) a window.
 * @param flag window flag; "" is the calling page's own window
 * @param command SW_* value
 * @returns non-zero when it was visible before; on failure 0
 */
declare function ShowWindow(flag: string, command: number): number;

/**
 * Posts a window message, for example WM_CLOSE (0x10) to close a window.
 * @param flag window flag; "" is the calling page's own window
 * @returns non-zero; on failure 0; also for the host's own messages and messages whose parameters are pointers, which are refused
 */
declare function PostMessage(flag: string, message: number, wParam: number, lParam: number): number;

/**
 * Sends a window message and waits for its result; SendMessage('', 0x0112, 0xF012, 0) drags the window.
 * @param flag window flag; "" is the calling page's own window
 * @returns the message's result, signed; on failure 0; refused messages are not sent
 */
declare function SendMessage(flag: string, message: number, wParam: number, lParam: number): number;

/**
 * Gives a window the keyboard focus.
 * @param flag window flag; "" is the calling page's own window
 * @returns the window that had the focus; on failure 0
 */
declare function SetFocus(flag: string): number;

/**
 * Sends all mouse input to a window.
 * @param flag window flag; "" is the calling page's own window
 * @returns the window that had the capture; on failure 0
 */
declare function SetCapture(flag: string): number;

/**
 * Ends a mouse capture, as a caption drag needs first.
 * @returns non-zero; on failure 0
 */
declare function ReleaseCapture(): number;

/**
 * Adds, changes or removes the window's notification-area icon and sets its tooltip, balloon and click callbacks.
 * @param flag window flag; "" is the calling page's own window
 * @returns undefined; on failure undefined (nothing is reported)
 */
declare function ShellNotifyIcon(flag: string, options: TrayOptions): void;

/**
 * Shows a message box owned by the calling page's window that closes itself after a time; pages often assign it over alert.
 * @param type MB_* bits
 * @param milliseconds read when given; 0 waits for the user
 * @returns the button pressed (32000 on time-out); on failure undefined when the system lacks MessageBoxTimeoutW
 */
declare function MessageBoxTimeout(text: string, caption?: string, type?: number, languageId?: number, milliseconds?: number): number | undefined;

/**
 * Sets the smallest size the user can resize a window to.
 * @param flag window flag; "" is the calling page's own window
 * @returns undefined; on failure undefined
 */
declare function SetWindowMinTrackSize(flag: string, x: number, y: number): void;

/**
 * Creates the named single-instance section holding the calling page's window, telling a first instance from a second.
 * @returns 1 when this call created the section (first instance); on failure 0 (another instance has it, or it cannot be made)
 */
declare function CreateGlobalHWND(name: string): number;

/**
 * Activates and restores the window stored in an existing single-instance section.
 * @returns 1; on failure 0 when no such section exists
 */
declare function SetForegroundGlobalHWND(name: string): number;

/**
 * Stores the window of a flag in an existing single-instance section.
 * @param flag window flag; "" is the calling page's own window
 * @returns undefined; on failure undefined
 */
declare function UpdateGlobalHWND(name: string, flag: string): void;

/**
 * Restores and activates the window that carries a flag.
 * @param flag window flag; "" is the calling page's own window
 * @returns 1; on failure 0 when the flag is unknown
 */
declare function SetForegroundWindow(flag: string): number;

/**
 * Gives the calling page's window one more flag by which any page can address it.
 * @param flag window flag; "" is the calling page's own window
 * @returns undefined; on failure undefined
 */
declare function SetCurrentWindowFlag(flag: string): void;

/**
 * Stores a hit-test function with the window and calls it once at once.
 * @param flag window flag; "" is the calling page's own window
 * @param callback called on the UI thread: once, before the function returns
 * @returns undefined; on failure undefined
 */
declare function SetWindowHitTestCallBack(flag: string, callback: () => void): void;

/**
 * Makes the window's hit-test mask at its current size, all default; needed before the drag-rectangle functions.
 * @param flag window flag; "" is the calling page's own window
 * @returns undefined; on failure undefined
 */
declare function InitWindowHitTestData(flag: string): void;

/**
 * Marks a rectangle of the hit-test mask as ordinary page area (buttons inside a drag region).
 * @param flag window flag; "" is the calling page's own window
 * @returns undefined; on failure undefined
 */
declare function SetWindowNoDragRect(flag: string, left: number, top: number, right: number, bottom: number): void;

/**
 * Marks a rectangle of the hit-test mask as caption, so dragging it moves the window.
 * @param flag window flag; "" is the calling page's own window
 * @returns undefined; on failure undefined
 */
declare function SetWindowDragRect(flag: string, left: number, top: number, right: number, bottom: number): void;

/**
 * Sets the widths of the borders by which the user resizes the window.
 * @param flag window flag; "" is the calling page's own window
 * @returns undefined; on failure undefined
 */
declare function SetWindowThickFrame(flag: string, left: number, top: number, right: number, bottom: number): void;

/**
 * Makes one window move along with another at a fixed offset (0 to 65535 each), or stops that.
 * @param enable non-zero on, 0 off
 * @returns undefined; on failure undefined
 */
declare function SetFollowMove(leader: string, follower: string, enable: number, dx: number, dy: number): void;

/**
 * Reads a registry value as text.
 * @param root 0x80000001 current user, 0x80000002 local machine, ...
 * @param view 64 reads the 64-bit view, anything else the 32-bit view
 * @param valueName read although the function is bound with three arguments
 * @returns the value's data as text; on failure undefined when the key or value cannot be read
 */
declare function RegQueryString(root: number, view: number, subKey: string, valueName: string): string | undefined;

/**
 * Writes a string value, creating missing keys.
 * @returns undefined; on failure undefined (nothing is reported)
 */
declare function RegWriteString(root: number, subKey: string, valueName: string, text: string): void;

/**
 * Deletes everything below a registry key (the key itself stays).
 * @returns undefined; on failure undefined
 */
declare function RegDeleteTree(root: number, subKey: string): void;

/**
 * Reads a value from an INI file (a name without a folder means the Windows folder).
 * @returns the value; on failure an empty string
 */
declare function GetPrivateProfileString(file: string, section: string, key: string): string;

/**
 * Writes a value into an INI file.
 * @returns 1; on failure 0
 */
declare function WritePrivateProfileString(file: string, section: string, key: string, value: string): number;

/**
 * Returns the path of a special folder by its CSIDL number (0x1A application data, 0x05 documents, ...).
 * @returns the folder's path (empty when it has none); on failure undefined for an unknown number
 */
declare function SHGetSpecialFolderLocation(csidl: number): string | undefined;

/**
 * Shows the folder browser and returns the chosen folder.
 * @param rootCsidl 57 when called without arguments
 * @param flags 8 when called without arguments
 * @returns the chosen folder; on failure undefined when cancelled
 */
declare function SHBrowseForFolder(title?: string, rootCsidl?: number, flags?: number): string | undefined;

/**
 * Shows the open-file dialog and returns the chosen path.
 * @returns the chosen path; on failure an empty string when cancelled
 */
declare function GetOpenFileName(options: OpenFileOptions): string;

/**
 * Returns the program's command line exactly as Windows reports it.
 * @returns the command line; on failure cannot fail
 */
declare function GetCommandLine(): string;

/**
 * Returns the full path of the running program.
 * @returns the path; on failure cannot fail
 */
declare function GetProcessPath(): string;

/**
 * Returns the program's current directory.
 * @returns the folder; on failure cannot fail
 */
declare function GetCurrentDirectory(): string;

/**
 * Returns the free and total bytes of the drive a path lies on (its first three characters).
 * @returns {ui1, ui2, ui3} in bytes; on failure all 0
 */
declare function GetDiskFreeSpaceEx(path: string): DiskSpace;

/**
 * Copies a file.
 * @param failIfExists non-zero keeps an existing target
 * @returns 1; on failure 0
 */
declare function CopyFile(source: string, target: string, failIfExists: number): number;

/**
 * Returns a file's size in bytes.
 * @returns the size; on failure 18446744073709551615 (2^64 - 1) when the file cannot be opened
 */
declare function GetFileSize(path: string): number;

/**
 * Moves or renames a file (1 replace existing, 2 copy allowed, 4 at reboot, 8 write through).
 * @returns 1; on failure 0
 */
declare function MoveFileEx(source: string, target: string, flags: number): number;

/**
 * Deletes a file.
 * @returns 1; on failure 0
 */
declare function DeleteFile(path: string): number;

/**
 * Deletes a folder with its whole content (or a file or wildcard pattern), without the recycle bin.
 * @returns 0; on failure the shell's non-zero error code
 */
declare function DeleteDirectory(path: string): number;

/**
 * Computes a file's CRC-32 at once, or in the background with progress when given a callback.
 * @param callback called on the UI thread: after every 4 MiB read and once for an empty file; the last call has done equal to total and the file's CRC-32
 * @returns the CRC-32 (one argument); true when the background work started (two); on failure 0 for a file that cannot be read; false
 */
declare function GetFileCRC32(path: string): number;
/**
 * Computes a file's CRC-32 at once, or in the background with progress when given a callback.
 * @param callback called on the UI thread: after every 4 MiB read and once for an empty file; the last call has done equal to total and the file's CRC-32
 * @returns the CRC-32 (one argument); true when the background work started (two); on failure 0 for a file that cannot be read; false
 */
declare function GetFileCRC32(path: string, callback: (done: number, total: number, crc: number) => void): boolean;

/**
 * Lists a folder tree breadth-first in the background (folders included) and hands the whole list to a callback.
 * @param pattern for example *.txt; *.* when left out; only matching sub-folders are entered
 * @param callback called on the UI thread: once, when the walk is done
 * @returns true when the walk started; on failure false
 */
declare function GetFileList(root: string, pattern: string, callback: (list: FileListResult) => void): boolean;
/**
 * Lists a folder tree breadth-first in the background (folders included) and hands the whole list to a callback.
 * @param pattern for example *.txt; *.* when left out; only matching sub-folders are entered
 * @param callback called on the UI thread: once, when the walk is done
 * @returns true when the walk started; on failure false
 */
declare function GetFileList(root: string, callback: (list: FileListResult) => void): boolean;

/**
 * Tells whether a file exists and can be read (folders are not files).
 * @returns true; on failure false
 */
declare function IsFileExists(path: string): boolean;

/**
 * Tells whether a file cannot be opened for exclusive reading and writing (also true when it is missing).
 * @returns true when locked or missing; on failure false
 */
declare function IsFileBeLock(path: string): boolean;

/**
 * Starts a program directly, inheriting the program's environment.
 * @returns {return: 1, dwProcessId, dwThreadId, hProcess, hThread}; on failure {return: 0} with every other member 0
 */
declare function CreateProcess(application: string, commandLine: string, currentFolder: string, inheritHandles?: number, creationFlags?: number): ProcessInfo;

/**
 * Opens a process by id.
 * @returns the process handle; on failure 0
 */
declare function OpenProcess(processId: number, desiredAccess: number, inheritHandle: number): number;

/**
 * Returns the file name of a module of a process (module 0: its executable).
 * @returns the name; on failure an empty string
 */
declare function GetModuleBaseName(process: number, module: number): string;

/**
 * Returns the full path of a module of a process (module 0: its executable).
 * @returns the path; on failure an empty string
 */
declare function GetModuleFileNameEx(process: number, module: number): string;

/**
 * Returns a process's image path in device form (\Device\HarddiskVolume1\...).
 * @returns the path; on failure an empty string
 */
declare function GetProcessImageFileName(process: number): string;

/**
 * Returns a process's exit code, 259 while it runs.
 * @returns the exit code; on failure 0
 */
declare function GetExitCodeProcess(process: number): number;

/**
 * Waits in the background for a process, event or mutex handle and reports the wait's result.
 * @param milliseconds 0xFFFFFFFF waits without end
 * @param callback called on the UI thread: once: 0 signalled, 128 abandoned, 258 timed out, else failed
 * @returns true when the wait started; on failure false
 */
declare function WaitForSingleObject(handle: number, milliseconds: number, callback: (result: number) => void): boolean;

/**
 * Opens a file or program through the shell.
 * @param operation "open", "runas", ... or ""
 * @param show SW_* value, 1 normal
 * @returns a value greater than 32; on failure the shell's error code (32 or less)
 */
declare function ShellExecute(operation: string, file: string, parameters: string, folder: string, show: number): number;

/**
 * As ShellExecute through the narrow shell call; texts outside ASCII arrive garbled.
 * @returns undefined; on failure undefined
 */
declare function ShellExecuteA(operation: string, file: string, parameters: string, folder: string, show: number): void;

/**
 * Starts a file or program through the shell and calls back when it has ended.
 * @param callback called on the UI thread: once, when the started program has ended (at once when it could not start)
 * @returns undefined at once; on failure undefined
 */
declare function ShellExecuteEx(operation: string, file: string, parameters: string, folder: string, show: number, callback: () => void): void;

/**
 * Pauses the UI thread; no window paints or takes input meanwhile.
 * @returns undefined; on failure undefined
 */
declare function Sleep(milliseconds: number): void;

/**
 * Reads one text of an executable's version information, such as FileVersion or ProductName.
 * @returns the text from the first translation that has it; on failure undefined
 */
declare function GetPEFileVerInfo(path: string, name: string): string | undefined;

/**
 * Stamps a new version resource into an executable on disk, in one step or not at all.
 * @param fileVersion up to four numbers, for example 1.2.3.4
 * @returns undefined; on failure undefined; the running program, a locked file or a non-executable stays unchanged
 */
declare function SetPEFileVerInfo(path: string, companyName: string, productName: string, internalName: string, originalFilename: string, fileDescription: string, fileVersion: string, productVersion: string, legalCopyright: string): void;

/**
 * Shows the save-file dialog (filters *.bmp and *.*) and returns the chosen path.
 * @returns the chosen path; on failure undefined when cancelled
 */
declare function SaveFileName(): string | undefined;

/**
 * Shows the font dialog and returns the chosen face name.
 * @returns the face name; on failure undefined when cancelled
 */
declare function ChooseFont(): string | undefined;

/**
 * Loads the updater plug-in (plugins\KV9_Updater.dll) and creates the default updater, or a named one when given arguments.
 * @param text2 passed to the plug-in
 * @param text3 passed to the plug-in
 * @returns undefined; on failure undefined; success shows only in later calls
 */
declare function P2PUpdater_Init(name?: string, text2?: string, text3?: string): void;

/**
 * Asks an updater in the background whether an update is needed: with exactly two arguments the default updater, otherwise the one named by the text.
 * @param text passed to the plug-in
 * @param callback called on the UI thread: once: 1 when an update is needed, else 0
 * @returns true when the question was started; on failure false without an updater
 */
declare function P2PUpdater_IsNeedUpdate(text: string, callback: (needed: number) => void): boolean;

/**
 * Starts an updater's download on a thread of its own: with exactly two arguments the default updater, otherwise the one named by the first.
 * @param name names the updater unless exactly two arguments are given
 * @returns true when started; on failure false without an updater
 */
declare function P2PUpdater_StartDownload(name?: string, unused?: any): boolean;

/**
 * Sets an updater's two limits (meaning up to the plug-in): with three arguments the one named by the first, else the default updater.
 * @param name names the updater when three arguments are given
 * @returns the plug-in's result; on failure false without an updater
 */
declare function P2PUpdater_SetLimit(name: string, limit1: number, limit2?: number): number | boolean;

/**
 * Returns the updater's state, speed and progress.
 * @returns {state, speed, progress}; on failure undefined without an updater
 */
declare function P2PUpdater_GetInfo(name?: string): UpdaterInfo | undefined;

/**
 * Applies the downloaded update on a thread of its own.
 * @returns true when started; on failure false without an updater
 */
declare function P2PUpdater_ApplyGZ(name?: string): boolean;

/**
 * Returns the progress of applying the update.
 * @returns the progress; on failure false without an updater
 */
declare function P2PUpdater_GetApplyGZProgress(name?: string): number | boolean;

/**
 * Returns the installed version as the updater sees it.
 * @returns the version text; on failure an empty string
 */
declare function P2PUpdater_GetLocalVersion(name?: string): string;

/**
 * Returns the version offered by the update server.
 * @returns the version text; on failure an empty string
 */
declare function P2PUpdater_GetRemoteVersion(name?: string): string;

/**
 * Returns the size of the update download in bytes.
 * @returns bytes (exact up to 2^53); on failure 0
 */
declare function P2PUpdater_GetDownloadSize(name?: string): number;

/**
 * Pauses the peer-to-peer download on a thread of its own.
 * @returns true when started; on failure false
 */
declare function P2PUpdater_torrent_pause(name?: string): boolean;

/**
 * Resumes the peer-to-peer download on a thread of its own.
 * @returns true when started; on failure false
 */
declare function P2PUpdater_torrent_resume(name?: string): boolean;

/**
 * Returns how many bytes the peer-to-peer download wants in all.
 * @returns bytes; on failure 0
 */
declare function P2PUpdater_GetWantedSize(name?: string): number;

/**
 * Returns how many of the wanted bytes are done.
 * @returns bytes; on failure 0
 */
declare function P2PUpdater_GetWantedSizeDone(name?: string): number;

/**
 * Starts the named peer-to-peer download.
 * @returns undefined; on failure undefined
 */
declare function P2PD_Start(name: string): void;

/**
 * Removes a named peer-to-peer download.
 * @param flag 1 when left out
 * @returns the plug-in's result; on failure 0 when the name is not registered
 */
declare function P2PD_Remove(name: string, flag?: number): number;

/**
 * Switches seed mode of a named download on or off.
 * @returns undefined; on failure undefined
 */
declare function P2PD_torrent_set_seed_mode(name: string, on: number): void;

/**
 * Adds a web seed URL to a named download.
 * @param url read as UTF-8
 * @returns undefined; on failure undefined
 */
declare function P2PD_torrent_add_url_seed(name: string, url: string): void;

/**
 * Connects a named download to a peer.
 * @param address read as UTF-8
 * @returns undefined; on failure undefined
 */
declare function P2PD_torrent_connect_peer(name: string, address: string, port: number): void;

/**
 * Opens the shared-memory channel to the game-side process and listens in the background for its results.
 * @param mode 1 only maps the block, without listening
 * @param callback called on the UI thread: each time the game side signals a result
 * @returns undefined; on failure undefined; a second call changes nothing
 */
declare function vexo_IO_Init(callback: (ok: number, text: string) => void, mode: number): void;

/**
 * Writes an activation text and sends the game side the activate command.
 * @param text at most 255 UTF-8 bytes
 * @returns undefined; on failure undefined
 */
declare function vexo_IO_Active(text: string): void;

/**
 * Sends the game side the deactivate command.
 * @param unused not read
 * @returns undefined; on failure undefined
 */
declare function vexo_IO_DeActive(unused?: any): void;

/**
 * Sends the game side the run-game command.
 * @returns undefined; on failure undefined
 */
declare function vexo_IO_RunGame(): void;

/**
 * Writes the sign text of the channel (no signal).
 * @param text at most 1023 UTF-8 bytes
 * @returns undefined; on failure undefined
 */
declare function vexo_IO_SetSign(text: string): void;

/**
 * Reads the sign text of the channel.
 * @returns the text; on failure an empty string before vexo_IO_Init
 */
declare function vexo_IO_GetSign(): string;

/**
 * Reads the result information text of the channel.
 * @returns the text; on failure an empty string before vexo_IO_Init
 */
declare function vexo_IO_GetResultInfo(): string;

/**
 * Writes the result information text of the channel (no signal).
 * @param text at most 4095 UTF-8 bytes
 * @returns undefined; on failure undefined
 */
declare function vexo_IO_SetResultInfo(text: string): void;

/**
 * Returns the process id of the game side.
 * @returns the process id; on failure 0 before vexo_IO_Init
 */
declare function vexo_IO_GetPIDRight(): number;

/**
 * Loads the game-client plug-in (plugins\gclient_wrap_c.dll) and creates a client.
 * @returns the client handle; on failure 0 without the plug-in
 */
declare function GC_wrap_Init(): number;

/**
 * Ends a game client.
 * @returns the plug-in's result; on failure false without the plug-in
 */
declare function GC_wrap_UnInit(client: number): number | boolean;

/**
 * Registers a function for the game client's events.
 * @param callback called on the UI thread: each time the plug-in reports an event
 * @returns true; on failure false without the plug-in
 */
declare function GC_wrap_SetEventCallback(client: number, callback: (event: string) => void): boolean;

/**
 * Logs the client in, in the background.
 * @param text read as UTF-8
 * @param callback never called
 * @returns true; on failure false without the plug-in
 */
declare function GC_wrap_Login(client: number, text: string, callback?: () => void): boolean;

/**
 * Logs the client out, in the background.
 * @returns true; on failure false without the plug-in
 */
declare function GC_wrap_Logout(client: number): boolean;

/**
 * Starts the game through the client in the background.
 * @param text read as UTF-8
 * @param callback called on the UI thread: once: {"result":R,"attached":A}
 * @returns true; on failure false without the plug-in
 */
declare function GC_wrap_RunGame(client: number, text: string, callback: (json: string) => void): boolean;

/**
 * Resets the client's ping measurements in the background.
 * @param callback called on the UI thread: once, when done
 * @returns true; on failure false without the plug-in
 */
declare function GC_wrap_reset_ping(client: number, text: string, callback: () => void): boolean;

/**
 * Adds a ping target in the background.
 * @param callback called on the UI thread: once, when done
 * @returns true; on failure false without the plug-in
 */
declare function GC_wrap_insert_ping(client: number, text: string, callback: () => void): boolean;

/**
 * Returns the client's ping results as text.
 * @returns the plug-in's text; on failure false without the plug-in
 */
declare function GC_wrap_Get_ping_result(first: number, second: number): string | boolean;

/**
 * Searches a user in the background.
 * @param callback called on the UI thread: once
 * @returns true; on failure false without the plug-in
 */
declare function GC_wrap_find_user(client: number, text: string, callback: (result: string) => void): boolean;

/**
 * Sends a chat message in the background.
 * @param text read as UTF-8
 * @param callback never called
 * @returns true; on failure false without the plug-in
 */
declare function GC_wrap_send_chat_message(client: number, text: string, callback?: () => void): boolean;

/**
 * Delivers chat items in the background for as long as the plug-in has any.
 * @param callback called on the UI thread: once per chat item
 * @returns true; on failure false without the plug-in
 */
declare function GC_wrap_get_chat_data(client: number, callback: (item: string) => void): boolean;

/**
 * Gathers one kind of hardware information in the background.
 * @param callback called on the UI thread: once; language: code page; system: major, minor, product type, suite mask, metric 89, service pack; bit: 64 or 32; cpu: count, type, MHz, name; memory: GiB; display, media, resolution: JSON text; directx: version text. Unknown kinds never call back
 * @returns true when started; on failure false
 */
declare function Handware_Info(kind: "language" | "system" | "bit" | "cpu" | "memory" | "display" | "media" | "directx" | "resolution", callback: (...values: any[]) => void): boolean;

/**
 * Returns the hardware identifier read at start-up from plugins\hwid.dll.
 * @returns the identifier; on failure an empty string without the plug-in
 */
declare function GetHWID(): string;

/**
 * Initialises the resource-tool plug-in (VELQ___s13tool\313_vude.dll) again.
 * @returns true; on failure true
 */
declare function S13_init(): boolean;

/**
 * Counts the data entries of a game data file through the resource tool.
 * @param callback called on the UI thread: once, before the function returns; 0 without the plug-in
 * @returns true; on failure false when out of memory
 */
declare function Get_Data_Num(file: string, callback: (result: number) => void): boolean;

/**
 * Counts the arrays of a data entry through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Get_Arr_Num(file: string, text: string, number: number, callback: (result: number) => void): boolean;

/**
 * Counts the frames of an array through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Get_Frame_Num(file: string, text: string, number1: number, number2: number, callback: (result: number) => void): boolean;

/**
 * Reads the two numbers that locate a frame's file through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Get_Frame_Path(file: string, number1: number, number2: number, number3: number, callback: (out1: number, out2: number) => void): boolean;

/**
 * Sets a frame's file path through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Set_Frame_Path(file: string, number1: number, number2: number, number3: number, text: string, callback: (result: number) => void): boolean;

/**
 * Packs files in a batch through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function S13_Bat_Pack(text1: string, text2: string, text3: string, callback: (result: number) => void): boolean;

/**
 * Unpacks files in a batch through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function S13_Bat_Unpack(text1: string, text2: string, number1: number, number2: number, text3: string, callback: (result: number) => void): boolean;

/**
 * Writes a changed data file back through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function S13_Save(file: string, text: string, callback: (result: number) => void): boolean;

/**
 * Converts a G1L audio container to Ogg through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function G1l2Ogg(file: string, text: string, callback: (result: number) => void): boolean;

/**
 * Converts Ogg audio to a G1L container through the resource tool.
 * @param text read as UTF-8
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Ogg2G1l(file: string, text: string, callback: (result: number) => void): boolean;

/**
 * Reads the type code of a resource file through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Res_FileType(file: string, callback: (result: number) => void): boolean;

/**
 * Counts the frames of a resource file through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Res_Frame_Num(file: string, callback: (result: number) => void): boolean;

/**
 * Reads the two numbers that locate a resource frame's file through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Res_Frame_Path(file: string, number: number, callback: (out1: number, out2: number) => void): boolean;

/**
 * Sets a resource frame's file path through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Res_Set_Frame_Path(file: string, number: number, text: string, callback: (result: number) => void): boolean;

/**
 * Writes a changed resource file back through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function Res_Save(file: string, callback: (result: number) => void): boolean;

/**
 * Builds a font pack through the resource tool.
 * @param callback called on the UI thread: once, before the function returns
 * @returns true; on failure false when out of memory
 */
declare function S13_Font_Pack(text1: string, text2: string, text3: string, callback: (result: number) => void): boolean;

/**
 * Registers a function under a key that any page can fire with CallGlobalJSCallback, replacing an earlier one.
 * @param callback called on the UI thread: each time a page calls CallGlobalJSCallback with the key, shortly after that call returns
 * @returns true; on failure false
 */
declare function RegisterGlobalJSCallback(key: string, callback: (text: string) => void): boolean;

/**
 * Fires the function registered under a key, in the page that registered it, with one text.
 * @returns true when the key is registered; on failure false
 */
declare function CallGlobalJSCallback(key: string, text: string): boolean;

/**
 * Registers the function asked whenever the window is to close; returning 0 keeps it open.
 * @param callback called on the UI thread: on every WM_CLOSE; its result 0 cancels the close
 * @returns true; on failure false when the calling page has no window
 */
declare function RegisterJSCallback_WM_CLOSE(callback: (wParam: number, lParam: number) => number | void): boolean;

/**
 * Registers the function called after the window changed size.
 * @param callback called on the UI thread: on every WM_SIZE
 * @returns true; on failure false when the calling page has no window
 */
declare function RegJSCB_WM_SIZE(callback: (sizeType: number, packedSize: number) => void): boolean;

/**
 * Registers the function called when the user stops moving or sizing the window.
 * @param callback called on the UI thread: on every WM_EXITSIZEMOVE
 * @returns true; on failure false when the calling page has no window
 */
declare function RegJSCB_WM_EXITSIZEMOVE(callback: () => void): boolean;

/**
 * Registers the function called after a system command (minimise, maximise, restore; not SC_CLOSE).
 * @param callback called on the UI thread: after every WM_SYSCOMMAND except 0xF060
 * @returns true; on failure false when the calling page has no window
 */
declare function RegJSCB_WM_SYSCOMMAND(callback: (command: number, lParam: number) => void): boolean;

/**
 * Registers the function whose returned object sets the window's minimum and maximum sizes.
 * @param callback called on the UI thread: on every WM_GETMINMAXINFO
 * @returns true; on failure false when the calling page has no window
 */
declare function RegJSCB_WM_GETMINMAXINFO(callback: (wParam: number, lParam: number) => MinMaxInfo | undefined | void): boolean;

/**
 * Lets the window accept dropped files and registers the function that receives their paths.
 * @param callback called on the UI thread: on every drop
 * @returns true; on failure false when the calling page has no window
 */
declare function RegJSCB_WM_DROPFILES(callback: (files: DroppedFiles) => void): boolean;
