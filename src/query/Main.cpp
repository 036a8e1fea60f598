#include "query/QueryTool.h"

int main(int argc, char** argv) { return query::RunQueryTool(argc, argv); }
