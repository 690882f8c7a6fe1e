// Loads every file named in cases\list.txt and prints the load result, the
// root's text and xml, its attributes and the document's children.
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
var fso = new ActiveXObject("Scripting.FileSystemObject");
var list = fso.OpenTextFile("cases\\list.txt", 1).ReadAll().split("\n");
for (var i = 0; i < list.length; i++) {
  var n = list[i];
  if (!n) continue;
  var d = new ActiveXObject("MSXML2.DOMDocument");
  d.async = false;
  var ok = d.load("cases\\" + n + ".xml");
  var s = n + ": " + ok;
  if (ok) {
    var r = d.documentElement;
    s += " text=[" + esc(r.text) + "] xml=[" + esc(r.xml) + "]";
    for (var j = 0; j < r.attributes.length; j++)
      s += " @" + r.attributes.item(j).nodeName + "=[" + esc(r.attributes.item(j).value) + "]";
    for (var j = 0; j < d.childNodes.length; j++) s += " child" + j + "=" + d.childNodes.item(j).nodeName;
  } else {
    s += " hasChildNodes=" + d.hasChildNodes();
  }
  WScript.Echo(s);
}
