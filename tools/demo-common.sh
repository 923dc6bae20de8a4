# What tools/demo and tools/demo-svn share (sourced, not run): the demo
# repository's account and the operator's language.

# The Subversion user of the demo: the module takes the effective account, not $USER.
demo_svn_user() {
  echo "svn_$(id -un)"
}

# The shared repository password, as the build enciphered it into the module:
# the build's private copy (mode 600), else the built-in demo password. It goes
# to svn on its standard input, never on a command line or the screen.
demo_svn_password() {   # BUILD_DIR
  local pass
  pass="$(cat "$1/src/module/qor_enciphered/APR_SENHA_SVN_CIFRADA.plain" 2>/dev/null || true)"
  printf '%s' "${pass:-demo-s3nha}"
}

# Runs a command as on the operator's machine: Brazilian Portuguese, so that
# svn answers in the texts the module recognises and Qt in the host's forms.
in_portuguese() {
  env -u LANGUAGE LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 "$@"
}

portuguese_available() {
  locale -a 2>/dev/null | grep -qix 'pt_BR\.utf-\?8'
}
