(function (global, native) {
'use strict';
var document = global.document;

function format(v) {
  if (typeof v === 'string') return v;
  if (v instanceof Error) return String(v);
  if (v !== null && typeof v === 'object') {
    try { return JSON.stringify(v); } catch (e) { return String(v); }
  }
  return String(v);
}
function logger(level) {
  return function () {
    var parts = [];
    for (var i = 0; i < arguments.length; i++) parts.push(format(arguments[i]));
    native.log(level, parts.join(' '));
  };
}
global.console = { log: logger('log'), info: logger('info'), warn: logger('warn'),
                   error: logger('error'), debug: logger('debug') };
global.alert = function () {};
global.window = global;
global.self = global;

// Events.
var LISTENERS = '__listeners';
function listenersOf(target, create) {
  var all = Object.prototype.hasOwnProperty.call(target, LISTENERS) ? target[LISTENERS] : null;
  if (!all && create) {
    all = {};
    Object.defineProperty(target, LISTENERS, { value: all });
  }
  return all;
}
function isCapture(options) { return options === true || !!(options && options.capture); }
function addEventListener(type, listener, options) {
  if (typeof listener !== 'function' && !(listener && typeof listener.handleEvent === 'function')) return;
  var all = listenersOf(this, true);
  var list = all[type] || (all[type] = []);
  var capture = isCapture(options);
  for (var i = 0; i < list.length; i++) {
    if (list[i].listener === listener && list[i].capture === capture) return;
  }
  list.push({ listener: listener, capture: capture, once: !!(options && options.once) });
}
function removeEventListener(type, listener, options) {
  var all = listenersOf(this, false);
  var list = all && all[type];
  if (!list) return;
  var capture = isCapture(options);
  for (var i = 0; i < list.length; i++) {
    if (list[i].listener === listener && list[i].capture === capture) {
      list[i].removed = true;
      list.splice(i, 1);
      return;
    }
  }
}

function Event(type, init) {
  init = init || {};
  this.type = String(type);
  this.bubbles = !!init.bubbles;
  this.cancelable = !!init.cancelable;
  this.defaultPrevented = false;
  this.target = null;
  this.currentTarget = null;
  this.eventPhase = 0;
  this.timeStamp = Date.now();
  this.isTrusted = false;
  this.detail = init.detail;
}
Event.prototype.preventDefault = function () { this.defaultPrevented = true; this.returnValue = false; };
Event.prototype.stopPropagation = function () { this.propagationStopped = true; this.cancelBubble = true; };
Event.prototype.stopImmediatePropagation = function () {
  this.propagationStopped = true;
  this.immediateStopped = true;
};
function derivedEvent() {
  function E(type, init) {
    Event.call(this, type, init);
    for (var k in init) if (!(k in this)) this[k] = init[k];
  }
  E.prototype = Object.create(Event.prototype);
  E.prototype.constructor = E;
  return E;
}
global.Event = Event;
global.CustomEvent = derivedEvent();
global.MouseEvent = derivedEvent();
global.KeyboardEvent = derivedEvent();
global.WheelEvent = derivedEvent();

function compileHandler(node, type) {
  if (typeof node.getAttribute !== 'function') return null;
  var code = node.getAttribute('on' + type);
  if (!code) return null;
  try { return new Function('event', code); } catch (e) { native.reportError(e); return null; }
}
function handlerOf(node, type) {
  var h = node['on' + type];
  if (typeof h === 'function') return h;
  h = compileHandler(node, type);
  if (!h && node === global && type === 'load' && document.body) h = compileHandler(document.body, 'load');
  return h;
}

// Calls the listeners of one node; phase 1 capture, 2 at target, 3 bubbling. True when a
// listener was called.
function invoke(node, event, phase) {
  var reached = false;
  event.currentTarget = node;
  event.eventPhase = phase;
  var all = listenersOf(node, false);
  var list = all && all[event.type];
  if (list) {
    list = list.slice();
    for (var i = 0; i < list.length; i++) {
      var entry = list[i];
      if (entry.removed) continue;
      if ((phase === 1 && !entry.capture) || (phase === 3 && entry.capture)) continue;
      if (entry.once) removeEventListener.call(node, event.type, entry.listener, entry.capture);
      reached = true;
      try {
        if (typeof entry.listener === 'function') entry.listener.call(node, event);
        else entry.listener.handleEvent(event);
      } catch (e) {
        native.reportError(e);
      }
      if (event.immediateStopped) break;
    }
  }
  if (phase !== 1 && !event.immediateStopped) {
    var handler = handlerOf(node, event.type);
    if (handler) {
      reached = true;
      try {
        if (handler.call(node, event) === false) event.preventDefault();
      } catch (e) {
        native.reportError(e);
      }
    }
  }
  return reached;
}

function dispatch(target, event) {
  var path = [];
  for (var n = target; n; n = n.parentNode) path.push(n);
  if (target !== global && path[path.length - 1] === document) path.push(global);
  event.target = target;
  var reached = false;
  for (var i = path.length - 1; i > 0 && !event.propagationStopped; i--) reached = invoke(path[i], event, 1) || reached;
  if (!event.propagationStopped) reached = invoke(target, event, 2) || reached;
  for (i = 1; i < path.length && event.bubbles && !event.propagationStopped; i++) {
    reached = invoke(path[i], event, 3) || reached;
  }
  event.currentTarget = null;
  event.eventPhase = 0;
  return reached;
}
function dispatchEvent(event) {
  if (!(event instanceof Event)) throw new TypeError('not an event');
  dispatch(this, event);
  return !event.defaultPrevented;
}
[native.nodeProto, global].forEach(function (o) {
  o.addEventListener = addEventListener;
  o.removeEventListener = removeEventListener;
  o.dispatchEvent = dispatchEvent;
});

// Events from the engine (input, loading): true when a listener was reached or called
// preventDefault.
function fire(target, type, init) {
  var event = new Event(type, { bubbles: !!init.bubbles, cancelable: true });
  event.isTrusted = true;
  for (var k in init) if (k !== 'bubbles') event[k] = init[k];
  var reached = dispatch(target || global, event);
  return (reached ? 1 : 0) + (event.defaultPrevented ? 2 : 0);
}

native.elementProto.click = function () {
  dispatch(this, new global.MouseEvent('click', { bubbles: true, cancelable: true, button: 0 }));
};

// Timers run on the engine's message-only window.
var timers = {};
function schedule(repeat, callback, delay, args) {
  if (typeof callback !== 'function') {
    var code = String(callback);
    callback = function () { (0, eval)(code); };
  }
  delay = Number(delay) || 0;
  var id = native.timerStart(delay < 0 ? 0 : delay, repeat);
  timers[id] = { callback: callback, args: args };
  return id;
}
global.setTimeout = function (callback, delay) {
  return schedule(false, callback, delay, Array.prototype.slice.call(arguments, 2));
};
global.setInterval = function (callback, delay) {
  return schedule(true, callback, delay, Array.prototype.slice.call(arguments, 2));
};
global.clearTimeout = global.clearInterval = function (id) {
  if (timers[id]) {
    delete timers[id];
    native.timerStop(id);
  }
};
global.requestAnimationFrame = function (callback) {
  return schedule(false, function () { callback(Date.now()); }, 16, []);
};
global.cancelAnimationFrame = global.clearTimeout;
function timerFired(id, repeat) {
  var t = timers[id];
  if (!t) return;
  if (!repeat) delete timers[id];
  try {
    t.callback.apply(global, t.args);
  } catch (e) {
    native.reportError(e);
  }
}

// classList over the class attribute.
function ClassList(element) { this.element = element; }
ClassList.prototype = {
  names: function () { return this.element.className.split(/\s+/).filter(function (c) { return c; }); },
  write: function (names) { this.element.className = names.join(' '); },
  add: function () {
    var names = this.names();
    for (var i = 0; i < arguments.length; i++) if (names.indexOf(String(arguments[i])) < 0) names.push(String(arguments[i]));
    this.write(names);
  },
  remove: function () {
    var drop = Array.prototype.map.call(arguments, String);
    this.write(this.names().filter(function (c) { return drop.indexOf(c) < 0; }));
  },
  contains: function (name) { return this.names().indexOf(String(name)) >= 0; },
  toggle: function (name, force) {
    var has = this.contains(name);
    var want = force === undefined ? !has : !!force;
    if (want && !has) this.add(name);
    if (!want && has) this.remove(name);
    return want;
  },
  item: function (i) { var n = this.names(); return i < n.length ? n[i] : null; },
  get length() { return this.names().length; },
  toString: function () { return this.element.className; }
};
Object.defineProperty(native.elementProto, 'classList', {
  get: function () { return new ClassList(this); }, configurable: true
});

var location = {
  get href() { return native.url; },
  set href(v) { native.navigate(String(v)); },
  assign: function (v) { native.navigate(String(v)); },
  replace: function (v) { native.navigate(String(v)); },
  reload: function () { native.navigate(native.url); },
  toString: function () { return native.url; }
};
global.location = location;
Object.defineProperty(document, 'location', { get: function () { return location; }, configurable: true });
Object.defineProperty(document, 'defaultView', { value: global });
Object.defineProperty(document, 'readyState', { get: function () { return native.readyState(); } });
global.navigator = { userAgent: 'webshell', language: 'en' };

return { fire: fire, timerFired: timerFired };
})
