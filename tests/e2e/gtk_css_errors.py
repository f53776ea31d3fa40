"""Prints the CSS parsing errors GTK reports for a stylesheet, as JSON:
gtk_css_errors.py 3.0|4.0 FILE. Needs no display."""

import json
import sys

import gi

version, path = sys.argv[1], sys.argv[2]
gi.require_version("Gtk", version)
from gi.repository import GLib, Gtk  # noqa: E402

errors = []


def on_error(provider, section, error):
    if version == "3.0":
        line = section.get_start_line()
    else:
        line = section.get_start_location().lines
    errors.append([line, error.message])


provider = Gtk.CssProvider()
provider.connect("parsing-error", on_error)
data = open(path, "rb").read()
try:
    provider.load_from_data(data)
except GLib.Error as e:  # GTK 3 also raises on the first error
    if not errors:
        errors.append([-1, e.message])
print(json.dumps(errors))
