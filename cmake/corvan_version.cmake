# The one place the version is written: the whole project and the client
# library built on its own both read it.
set(CORVAN_VERSION 1.1.0)
