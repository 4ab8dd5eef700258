// Compiles GoogleTest's header once; every test reuses the result.
