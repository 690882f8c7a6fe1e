// text, xml, childNodes, attributes and selection on small documents.
function esc(s) {
  if (s === null) return "<null>";
  s = String(s);
  var o = "";
  for (var i = 0; i < s.length; i++) {
    var c = s.charCodeAt(i);
    if (c == 13) o += "\\r"; else if (c == 10) o += "\\n"; else if (c == 9) o += "\\t";
    else if (c < 32 || c > 126) o += "\\u" + ("000" + c.toString(16)).slice(-4);
    else o += s.charAt(i);
  }
  return o;
}
function doc(x) {
  var d = new ActiveXObject("MSXML2.DOMDocument");
  d.async = false;
  if (!d.loadXML(x)) WScript.Echo("LOADFAIL " + esc(x));
  return d;
}
function root(x) {
  var r = doc(x).documentElement;
  WScript.Echo(esc(x) + " => text=[" + esc(r.text) + "] xml=[" + esc(r.xml) + "] childNodes=" + r.childNodes.length);
}
var samples = [
  "<b> </b>", "<a x='&gt;&lt;&amp;&quot;&apos;'/>", "<a x='>'/>", "<a x='   '/>",
  "<r><![CDATA[]]> <x>a</x></r>", "<r><x>a</x> <![CDATA[]]></r>", "<r><x>a</x> <![CDATA[ ]]> </r>",
  "<r> <![CDATA[ ]]> </r>", "<r><x>a<y> </y></x>b</r>", "<r><x>a</x><!--c--> <y>b</y></r>",
  "<r>a<!--c-->b</r>", "<r>a <!--c--> b</r>", "<r><x> a </x><y> b </y></r>", "<r>x<?pi d?> <y>b</y></r>",
  "<a>&#32;</a>", "<a>&#32;x&#32;</a>", "<a><b>x</b>&#10;<c>y</c></a>", "<r>t<x/> <y/>u</r>",
  "<r>a &gt; b ]]&gt; &lt; &amp; \" '</r>", "<r a=\"x&#9;y&#10;z\"/>"
];
for (var i = 0; i < samples.length; i++) root(samples[i]);

var d = doc("<s>  a  <![CDATA[  c  ]]><!--  k  --><?p  d  ?></s>");
var k = d.documentElement.childNodes;
for (var i = 0; i < k.length; i++)
  WScript.Echo("child " + k.item(i).nodeName + " text=[" + esc(k.item(i).text) + "] xml=[" + esc(k.item(i).xml) + "]");
d = doc("<s a='  x  ' b='   ' c=''/>");
var at = d.documentElement.attributes;
for (var i = 0; i < at.length; i++) {
  var a = at.item(i);
  WScript.Echo("attr " + a.nodeName + " text=[" + esc(a.text) + "] value=[" + esc(a.value) + "] xml=[" + esc(a.xml) + "] childNodes=" + a.childNodes.length);
}
d = doc("<r><!--c--><?p x?><![CDATA[c]]>t</r>");
k = d.documentElement.childNodes;
for (var i = 0; i < k.length; i++) WScript.Echo(k.item(i).nodeName + " attributes null: " + (k.item(i).attributes === null));
WScript.Echo("document attributes null: " + (d.attributes === null));
d = doc("<?xml version='1.0'  encoding=\"utf-8\" ?><!DOCTYPE r><r/>");
for (var i = 0; i < d.childNodes.length; i++) WScript.Echo("document child " + i + " " + d.childNodes.item(i).nodeName);
WScript.Echo("declaration text=[" + d.childNodes.item(0).text + "] xml=[" + d.childNodes.item(0).xml + "]");

d = doc("<wp><si><step><osdrv>C</osdrv></step><step><osdrv>D</osdrv></step></si><si><step><osdrv>E</osdrv></step></si></wp>");
var r = d.documentElement;
function t(n) { return n === null ? "<null>" : esc(n.text); }
WScript.Echo("root step/osdrv: " + t(r.selectSingleNode("step/osdrv")));
var l = r.selectNodes("si/step/osdrv"), s = "";
for (var i = 0; i < l.length; i++) s += l.item(i).text;
WScript.Echo("root si/step/osdrv: " + s + " item(9) null: " + (l.item(9) === null) + " item(-1) null: " + (l.item(-1) === null));
var si2 = r.selectNodes("si").item(1);
WScript.Echo("from si[1]: /wp/si " + t(si2.selectSingleNode("/wp/si")) + ", step/osdrv " + t(si2.selectSingleNode("step/osdrv")));
WScript.Echo("document: wp/si " + t(d.selectSingleNode("wp/si")) + ", si " + t(d.selectSingleNode("si")) + ", WP/si " + t(d.selectSingleNode("WP/si")) + ", / " + d.selectSingleNode("/").nodeName);
WScript.Echo("no match: length " + r.selectNodes("zz").length + ", item(0) null: " + (r.selectNodes("zz").item(0) === null));
d.loadXML("<bad");
WScript.Echo("after a failed load: hasChildNodes " + d.hasChildNodes() + ", childNodes " + d.childNodes.length + ", selectNodes " + d.selectNodes("wp").length);
