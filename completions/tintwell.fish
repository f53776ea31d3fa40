# fish completion for tintwell

# The theme names, one a line, as they are on disk: never a download, so a
# slow network cannot hold the prompt up. timeout runs
# the program itself, never a shell function of the same name. --list leaves out names holding
# control characters, so no tab can pass for a description.
function __tintwell_themes
    timeout 2 tintwell --list --cached 2>/dev/null
end

complete -c tintwell -f
complete -c tintwell -l theme -x -a '(__tintwell_themes)' -d 'Apply a theme'
complete -c tintwell -l wallpaper -r -F -d 'Apply a wallpaper image'
complete -c tintwell -l with-theme -d 'With --wallpaper, the theme its picture gives too'
complete -c tintwell -l light -d 'The light theme of a picture'
complete -c tintwell -l palette -r -F -d 'Print the theme a picture gives'
complete -c tintwell -l list -d 'Print every theme name'
complete -c tintwell -l json -d 'With --list or --palette, print JSON'
complete -c tintwell -l cached -d 'With --list, only what is on disk'
complete -c tintwell -l current -d 'Print the active theme'
complete -c tintwell -l templates -d 'List the templates of templates.toml and the shipped ones'
complete -c tintwell -l check-templates -x -a '(__tintwell_themes)' -d 'Render every template for a theme, writing nothing'
complete -c tintwell -l print-template -x -a 'dunst fuzzel hyprlock mako qt5ct rofi swaync tmux wofi zathura' -d 'Print a shipped template'
complete -c tintwell -l apply -d 'Re-apply the saved wallpaper (login hook)'
complete -c tintwell -s h -l help -d 'Print the usage text'
complete -c tintwell -l version -d 'Print the version'
