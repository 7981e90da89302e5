// The document as page scripts see it.
#include <gtest/gtest.h>

#include "test_host.h"

using namespace testhost;

namespace {

class EngineDom : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Engine().missing, 0);
    ResetSeen();
    view_.Load(L"dom/index.html");
  }
  std::wstring R(const std::wstring& script) { return view_.Run(script); }
  View view_;
};

TEST_F(EngineDom, TolerantParsingBuildsTheTree) {
  EXPECT_EQ(R(L"document.documentElement.tagName + ',' + document.head.tagName + ',' + document.body.tagName"),
            L"HTML,HEAD,BODY");
  EXPECT_EQ(R(L"document.title"), L"DOM page");
  EXPECT_EQ(R(L"document.querySelectorAll('li').length"), L"3");
  EXPECT_EQ(R(L"document.querySelectorAll('li')[1].textContent"), L"Two & a half");
  EXPECT_EQ(R(L"document.getElementById('para').innerHTML"), L"Some <b>bold</b> text<br>next line");
  // The unclosed span and i end with the document.
  EXPECT_EQ(R(L"document.getElementById('unclosed').innerHTML.replace(/\\s+/g, ' ')"), L"open <i>italic </i>");
  // A page without html, head or body gets them.
  ServePage("bare.html", "<p>just a paragraph</p><script>record(document.body.firstChild.tagName)</script>");
  view_.Load(L"bare.html");
  ASSERT_EQ(Seen().lines.size(), 1u);
  EXPECT_EQ(Seen().lines[0], L"P");
  EXPECT_EQ(R(L"document.head !== null && document.body.parentNode === document.documentElement"), L"true");
}

TEST_F(EngineDom, FindingElements) {
  EXPECT_EQ(R(L"document.getElementById('menu').className"), L"bar top");
  EXPECT_EQ(R(L"document.getElementById('nothing')"), L"null");
  EXPECT_EQ(R(L"document.querySelector('#menu .last').textContent"), L"Three");
  EXPECT_EQ(R(L"document.querySelector('li.item.first').textContent"), L"One");
  // A selector this engine does not understand throws a SyntaxError, as browsers do for bad ones.
  EXPECT_EQ(R(L"try { document.querySelector('li:nth-child(2)'); 'no error' } catch (e) { e.name }"), L"SyntaxError");
  EXPECT_EQ(
      R(L"document.querySelector('li:last-child').textContent + document.querySelector('li:first-child').textContent"),
      L"ThreeOne");
  EXPECT_EQ(R(L"document.querySelectorAll('div li, p').length"), L"4");
  EXPECT_EQ(R(L"document.querySelector('[data-x=\"3\"]').textContent"), L"Three");
  EXPECT_EQ(R(L"document.getElementById('menu').querySelectorAll('.item').length"), L"3");
  EXPECT_EQ(R(L"document.getElementsByTagName('LI').length"), L"3");
  EXPECT_EQ(R(L"document.getElementsByClassName('item').length"), L"3");
  // The same element gives the same object, so properties set on it stay.
  EXPECT_EQ(R(L"document.getElementById('menu').mark = 5; document.querySelector('.bar').mark"), L"5");
}

TEST_F(EngineDom, ChangingTheTree) {
  EXPECT_EQ(R(L"var d = document.createElement('DIV'); d.id = 'made'; d.textContent = 'new';"
              L"document.body.appendChild(d); document.getElementById('made').tagName + d.parentNode.tagName"),
            L"DIVBODY");
  EXPECT_EQ(
      R(L"var ul = document.querySelector('ul'); ul.removeChild(ul.children[0]).textContent + ul.children.length"),
      L"One2");
  EXPECT_EQ(R(L"var li = document.createElement('li'); li.textContent = 'Zero';"
              L"ul.insertBefore(li, ul.firstElementChild); ul.children[0].textContent + ul.children.length"),
            L"Zero3");
  EXPECT_EQ(R(L"ul.innerHTML = '<li>a</li><li>b</li>'; ul.children.length + ul.lastElementChild.textContent"), L"2b");
  EXPECT_EQ(R(L"document.getElementById('para').textContent"), L"Some bold textnext line");
  EXPECT_EQ(R(L"var p = document.getElementById('para'); p.remove(); document.getElementById('para')"), L"null");
  EXPECT_EQ(R(L"p.parentNode"), L"null");
  // A removed element lives on while the script holds it and can come back.
  EXPECT_EQ(R(L"Duktape.gc(); document.body.appendChild(p); document.getElementById('para') === p"), L"true");
  EXPECT_EQ(R(L"document.body.contains(p) + ',' + p.contains(document.body)"), L"true,false");
  EXPECT_EQ(
      R(L"var c = document.getElementById('menu').cloneNode(true); c.id = 'copy'; c.querySelectorAll('li').length"),
      L"2");
  EXPECT_EQ(R(L"try { p.appendChild(document.body); 'no error' } catch (e) { 'refused' }"), L"refused");
}

TEST_F(EngineDom, AttributesClassesAndStyle) {
  EXPECT_EQ(R(L"var m = document.getElementById('menu'); m.setAttribute('data-k', 'v'); m.getAttribute('data-k')"),
            L"v");
  EXPECT_EQ(R(L"m.hasAttribute('data-k') + ',' + m.getAttribute('absent')"), L"true,null");
  EXPECT_EQ(R(L"m.removeAttribute('data-k'); m.hasAttribute('data-k')"), L"false");
  EXPECT_EQ(R(L"m.classList.contains('bar') + ',' + m.classList.length"), L"true,2");
  EXPECT_EQ(R(L"m.classList.add('x', 'bar'); m.classList.remove('top'); m.className"), L"bar x");
  EXPECT_EQ(R(L"m.classList.toggle('x') + ',' + m.classList.toggle('y') + ',' + m.className"), L"false,true,bar y");
  EXPECT_EQ(R(L"var s = document.getElementById('panel').style; s.left + '|' + s.top"), L"10px|5px");
  EXPECT_EQ(R(L"s.backgroundColor = 'red'; s.left = ''; document.getElementById('panel').getAttribute('style')"),
            L"top: 5px; background-color: red;");
  EXPECT_EQ(R(L"s.setProperty('z-index', '3'); s.getPropertyValue('z-index') + s.zIndex"), L"33");
  EXPECT_EQ(R(L"s.cssText = 'width: 4px'; s.width + '|' + s.top + '|'"), L"4px||");
  EXPECT_EQ(R(L"typeof s.setProperty"), L"function");
}

TEST_F(EngineDom, InnerHtmlEscapingAndScriptsThatDoNotRun) {
  EXPECT_EQ(R(L"var d = document.createElement('div'); d.textContent = '<a & b>'; d.innerHTML"), L"&lt;a &amp; b&gt;");
  EXPECT_EQ(R(L"d.setAttribute('title', 'say \"hi\"'); d.outerHTML"),
            L"<div title=\"say &quot;hi&quot;\">&lt;a &amp; b&gt;</div>");
  R(L"document.body.innerHTML += '<script>record(\"must not run\")</script>'");
  EXPECT_TRUE(Seen().lines.empty());
  EXPECT_EQ(R(L"document.querySelectorAll('script').length"), L"1");
}

TEST_F(EngineDom, WindowDocumentAndBuiltins) {
  EXPECT_EQ(R(L"window === this && window.window === window && self === window"), L"true");
  EXPECT_EQ(R(L"typeof alert + typeof console.log + typeof setTimeout + typeof JSON.parse"),
            L"functionfunctionfunctionfunction");
  EXPECT_EQ(R(L"alert('nothing shown'); JSON.stringify(JSON.parse('{\"a\":[1,2]}'))"), L"{\"a\":[1,2]}");
  EXPECT_EQ(R(L"location.href"), L"dom/index.html");
  EXPECT_EQ(R(L"document.readyState"), L"complete");
  EXPECT_EQ(R(L"document.nodeType + ',' + document.body.nodeType + ',' + document.body.firstChild.nodeType"), L"9,1,3");
  EXPECT_EQ(R(L"document.title = 'Renamed'; document.title"), L"Renamed");
  // A page may replace alert.
  EXPECT_EQ(R(L"window.alert = function (m) { record('alert ' + m); }; alert('hi'); 'ok'"), L"ok");
  ASSERT_EQ(Seen().lines.size(), 1u);
  EXPECT_EQ(Seen().lines[0], L"alert hi");
}

TEST_F(EngineDom, ScriptEventsBubbleAndCanStop) {
  R(L"var log = []; var li = document.querySelector('.last');"
    L"document.body.addEventListener('ping', function (e) { log.push('body:' + e.target.textContent); });"
    L"document.addEventListener('ping', function (e) { log.push('document'); });"
    L"window.addEventListener('ping', function (e) { log.push('window'); });"
    L"li.addEventListener('ping', function (e) { log.push('li'); });"
    L"li.onping = function () { log.push('onping'); };");
  EXPECT_EQ(R(L"li.dispatchEvent(new Event('ping', {bubbles: true})); log.join()"),
            L"li,onping,body:Three,document,window");
  EXPECT_EQ(R(L"log = []; li.dispatchEvent(new Event('ping')); log.join()"), L"li,onping");
  EXPECT_EQ(R(L"log = []; document.body.addEventListener('ping', function (e) { e.stopPropagation(); }, true);"
              L"li.dispatchEvent(new Event('ping', {bubbles: true})); log.join()"),
            L"");
  EXPECT_EQ(
      R(L"var n = 0; function h() { n++; } li.addEventListener('tap', h); li.addEventListener('tap', h);"
        L"li.dispatchEvent(new Event('tap')); li.removeEventListener('tap', h); li.dispatchEvent(new Event('tap')); n"),
      L"1");
  EXPECT_EQ(
      R(L"var e = new Event('c', {cancelable: true}); li.addEventListener('c', function (ev) { ev.preventDefault(); });"
        L"li.dispatchEvent(e) + ',' + e.defaultPrevented"),
      L"false,true");
}

}  // namespace
