#include "yazi/flavor_template.hpp"

namespace yazi {

// The flavor's style colours; "@role@" placeholders are filled from the
// theme definition.
const std::string_view kFlavorTemplate = R"TEMPLATE(# Colors managed by tintwell. Geometry and icons stay in theme.toml.
[app]
overall = { fg = "@fg@", bg = "@bg@" }

[mgr]
cwd = { fg = "@accent@" }
find_keyword = { fg = "@yellow@", bold = true, underline = true }
find_position = { fg = "@accent@", bg = "@bg@" }
symlink_target = { fg = "@muted@" }
marker_copied = { fg = "@green@", bg = "@green@" }
marker_cut = { fg = "@red@", bg = "@red@" }
marker_marked = { fg = "@accent@", bg = "@accent@" }
marker_selected = { fg = "@yellow@", bg = "@yellow@" }
count_copied = { fg = "@bg@", bg = "@green@" }
count_cut = { fg = "@bg@", bg = "@red@" }
count_selected = { fg = "@bg@", bg = "@yellow@" }
border_style = { fg = "@border@" }

[tabs]
active = { fg = "@bg@", bg = "@accent@", bold = true }
inactive = { fg = "@muted@", bg = "@surface@" }

[mode]
normal_main = { fg = "@bg@", bg = "@accent@", bold = true }
normal_alt = { fg = "@accent@", bg = "@surface@" }
select_main = { fg = "@bg@", bg = "@yellow@", bold = true }
select_alt = { fg = "@yellow@", bg = "@surface@" }
unset_main = { fg = "@bg@", bg = "@red@", bold = true }
unset_alt = { fg = "@red@", bg = "@surface@" }

[indicator]
parent = { fg = "@fg@", bg = "@selection@", reversed = false }
current = { fg = "@fg@", bg = "@selection@", reversed = false }
preview = { fg = "@accent@", underline = true }

[status]
overall = { fg = "@fg@", bg = "@surface@" }
perm_sep = { fg = "@muted@" }
perm_type = { fg = "@accent@" }
perm_read = { fg = "@green@" }
perm_write = { fg = "@yellow@" }
perm_exec = { fg = "@red@" }
progress_label = { fg = "@fg@", bold = true }
progress_normal = { fg = "@accent@", bg = "@surface@" }
progress_error = { fg = "@red@", bg = "@surface@" }

[which]
border = { fg = "@border@" }
mask = { bg = "@bg@" }
cand = { fg = "@accent@" }
rest = { fg = "@muted@" }
desc = { fg = "@fg@" }
separator_style = { fg = "@border@" }

[confirm]
border = { fg = "@border@" }
title = { fg = "@accent@" }
body = { fg = "@fg@" }
list = { fg = "@fg@" }
btn_yes = { fg = "@bg@", bg = "@accent@", reversed = false }
btn_no = { fg = "@muted@", bg = "@surface@" }

[spot]
border = { fg = "@border@" }
title = { fg = "@accent@" }
tbl_col = { fg = "@accent@" }
tbl_cell = { fg = "@fg@", bg = "@selection@", reversed = false }

[notify]
title_info = { fg = "@accent@" }
title_warn = { fg = "@yellow@" }
title_error = { fg = "@red@" }

[pick]
border = { fg = "@border@" }
active = { fg = "@accent@", bold = true }
inactive = { fg = "@fg@" }

[input]
border = { fg = "@border@" }
title = { fg = "@accent@" }
value = { fg = "@fg@" }
selected = { fg = "@fg@", bg = "@selection@", reversed = false }

[cmp]
border = { fg = "@border@" }
active = { fg = "@fg@", bg = "@selection@", reversed = false }
inactive = { fg = "@fg@" }

[tasks]
border = { fg = "@border@" }
title = { fg = "@accent@" }
hovered = { fg = "@accent@", bold = true }

[help]
border = { fg = "@border@" }
chord = { fg = "@accent@" }
action = { fg = "@fg@" }
hovered = { fg = "@fg@", bg = "@selection@", reversed = false, bold = true }

[filetype]
rules = [
    { url = "*", is = "orphan", fg = "@red@" },
    { url = "*", is = "exec", fg = "@green@" },
    { mime = "**/image/*", fg = "@yellow@" },
    { mime = "**/{audio,video}/*", fg = "@magenta@" },
    { mime = "**/application/{zip,rar,7z*,tar,gzip,xz,zstd,bzip*,lzma}", fg = "@red@" },
    { url = "*/", fg = "@accent@" },
    { url = "*", fg = "@fg@" },
]
)TEMPLATE";

}  // namespace yazi
