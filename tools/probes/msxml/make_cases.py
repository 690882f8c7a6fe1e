#!/usr/bin/env python3
"""Writes the byte-exact documents that load_cases.js loads into the folder given."""
import os
import sys

CASES = {
    "utf8_plain": b"<r>caf\xc3\xa9</r>",
    "ansi_nodecl": b"<r>caf\xe9</r>",
    "ansi_1252": b'<?xml version="1.0" encoding="windows-1252"?><r>caf\xe9 \x80\x93</r>',
    "ansi_8859": b'<?xml version="1.0" encoding="ISO-8859-1"?><r>caf\xe9 \x80\x93</r>',
    "iso_lower": b'<?xml version="1.0" encoding="iso-8859-1"?><r>caf\xe9</r>',
    "win1252_upper": b'<?xml version="1.0" encoding="WINDOWS-1252"?><r>\xe9</r>',
    "latin1_name": b'<?xml version="1.0" encoding="latin1"?><r>caf\xe9</r>',
    "cp1252_name": b'<?xml version="1.0" encoding="cp1252"?><r>caf\xe9</r>',
    "usascii_ascii": b'<?xml version="1.0" encoding="us-ascii"?><r>cafe</r>',
    "usascii_high": b'<?xml version="1.0" encoding="us-ascii"?><r>caf\xe9</r>',
    "utf8_decl_ansi": b'<?xml version="1.0" encoding="UTF-8"?><r>caf\xe9</r>',
    "unknown_enc": b'<?xml version="1.0" encoding="bogus-42"?><r>cafe</r>',
    "utf16_decl_nobom": b'<?xml version="1.0" encoding="UTF-16"?><r>cafe</r>',
    "utf16le_nobom": "<r>caf\u00e9</r>".encode("utf-16-le"),
    "utf16le_bom": b"\xff\xfe" + "<r>caf\u00e9</r>".encode("utf-16-le"),
    "utf16be_bom": b"\xfe\xff" + "<r>caf\u00e9</r>".encode("utf-16-be"),
    "utf16bom_decl_utf16": b"\xff\xfe"
    + '<?xml version="1.0" encoding="UTF-16"?><r>caf\u00e9</r>'.encode("utf-16-le"),
    "utf16bom_decl_utf8": b"\xff\xfe"
    + '<?xml version="1.0" encoding="UTF-8"?><r>caf\u00e9</r>'.encode("utf-16-le"),
    "utf8_bom": b"\xef\xbb\xbf<r>caf\xc3\xa9</r>",
    "utf8bom_decl_1252": b'\xef\xbb\xbf<?xml version="1.0" encoding="windows-1252"?><r>caf\xc3\xa9</r>',
    "ws_before_decl": b' <?xml version="1.0"?><r/>',
    "nl_before_decl": b'\n<?xml version="1.0"?><r/>',
    "bom_ws_before_decl": b'\xef\xbb\xbf <?xml version="1.0"?><r/>',
    "ws_before_root": b" \n<r/>",
    "decl_after_comment": b'<!--c--><?xml version="1.0"?><r/>',
    "decl_noversion": b'<?xml encoding="UTF-8"?><r/>',
    "decl_v11": b'<?xml version="1.1"?><r/>',
    "decl_v20": b'<?xml version="2.0"?><r/>',
    "decl_enc_first": b'<?xml encoding="UTF-8" version="1.0"?><r/>',
    "decl_extra": b'<?xml version="1.0" foo="x"?><r/>',
    "decl_single_q": b"<?xml version='1.0' encoding='windows-1252'?><r>\xe9</r>",
    "empty": b"",
    "ws_only": b"  \n",
    "two_roots": b"<r/><s/>",
    "text_after": b"<r/>x",
    "after_root_misc": b"<r/>\r\n<!--c--><?p x?>\r\n",
    "nbsp": b"<r>&nbsp;</r>",
    "bare_amp": b"<r>a & b</r>",
    "amp_attr": b"<r a='a&b'/>",
    "lt_attr": b"<r a='a<b'/>",
    "gt_text": b"<r>a>b</r>",
    "cdata_end_text": b"<r>a ]]> b</r>",
    "dup_attr": b"<r a='1' a='2'/>",
    "attr_nospace": b"<r a='1'b='2'/>",
    "dashdash": b"<r><!-- a -- b --></r>",
    "ctrl_char": b"<r>a\x01b</r>",
    "fffe": b"<r>\xef\xbf\xbe</r>",
    "overlong": b"<r>\xc0\xaf</r>",
    "utf8_surrogate": b"<r>\xed\xa0\x80</r>",
    "charref_1": b"<r>a&#1;b</r>",
    "charref_big": b"<r>a&#x110000;b</r>",
    "badname": b"<1r/>",
    "xml_pi_inside": b'<r><?xml version="1.0"?></r>',
    "XML_pi": b"<r><?XML x?></r>",
    "undecl_prefix": b"<p:r><c/></p:r>",
    "doctype_internal_entity": b'<!DOCTYPE r [<!ENTITY e "x">]><r>&e;</r>',
    "doctype_missing_dtd": b'<!DOCTYPE r SYSTEM "nothere.dtd"><r>t</r>',
    "line_ends": b'<r a="x\r\ny\tz">l1\r\nl2\rl3&#13;</r>',
    "attr_charrefs": b'<r a="x&#9;y&#10;z&#13;w" b="  "/>',
}

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
for name, data in CASES.items():
    with open(os.path.join(out, name + ".xml"), "wb") as f:
        f.write(data)
with open(os.path.join(out, "list.txt"), "w") as f:
    f.write("\n".join(CASES))
