# Shared by the benchmark scripts (sourced): the temporary recorder root,
# the web server in front of the programs, the closing machine line.
# The caller sets B (the build) and out (the benchmark programs).

root=""
emu_pid=""
httpd_pid=""

bench_cleanup() {
    [ -n "$httpd_pid" ] && kill "$httpd_pid" 2>/dev/null && wait "$httpd_pid" 2>/dev/null
    [ -n "$emu_pid" ] && kill "$emu_pid" 2>/dev/null && wait "$emu_pid" 2>/dev/null
    rm -rf "$root"
}

# bench_root NAME: a new NVR_ROOT under /tmp with the store set up for 64
# cameras; it goes, with the web server and the emulator, when the script
# exits.
bench_root() {
    root=$(mktemp -d "/tmp/$1-XXXXXX")
    trap bench_cleanup EXIT
    export NVR_ROOT=$root
    "$B/nvr-store" init >/dev/null
    "$B/nvr-store" set max_cameras 64 >/dev/null
}

# bench_httpd PORT [MODULES [CONF]]: lighttpd on 127.0.0.1:PORT with the
# floor and the CGI program under /cgi-bin/, the extra modules (each as
# ', "mod_x"') and configuration lines; returns once it answers.
bench_httpd() {
    local port=$1 modules=${2:-} conf=${3:-}
    mkdir -p "$root/www" "$root/cgi-bin"
    cp "$out/floor.cgi" "$root/cgi-bin/floor.cgi"
    cp "$B/nvr-api.cgi" "$root/cgi-bin/nvr-api.cgi"
    cat >"$root/lighttpd.conf" <<CONF
server.modules = ("mod_alias", "mod_cgi"$modules, "mod_setenv")
server.bind = "127.0.0.1"
server.port = $port
server.document-root = "$root/www"
server.errorlog = "$root/lighttpd-error.log"
alias.url += ("/cgi-bin/" => "$root/cgi-bin/")
\$HTTP["url"] =~ "^/cgi-bin/" { cgi.assign = (".cgi" => "") }
setenv.set-environment = ("NVR_ROOT" => "$root")
$conf
CONF
    lighttpd -D -f "$root/lighttpd.conf" &
    httpd_pid=$!
    for _ in $(seq 1 100); do curl -s -o /dev/null "http://127.0.0.1:$port/cgi-bin/floor.cgi" && break; sleep 0.05; done
}

bench_machine() {
    echo
    echo "machine: $(nproc) cores, $(uname -m), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
}
