// Used only by check.sh: with blocks on, GNUstep's headers include the blocks
// runtime header of the libobjc2 runtime, which this compile against GCC's
// runtime lacks. Its two calls are declared here, as libobjc2 declares them;
// searched last, so that a real one wins.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif
void* _Block_copy(const void* block);
void _Block_release(const void* block);
#ifdef __cplusplus
}
#endif

#define Block_copy(x) ((__typeof(x))_Block_copy((const void*)(x)))
#define Block_release(x) _Block_release((const void*)(x))
