#pragma once
// comlite is built with hidden symbols; what its users may call is marked here.
#define COMLITE_API __attribute__((visibility("default")))
