// The switch between the coder's vector paths (chosen by what the processor
// offers) and the plain paths that each of them must match bit for bit.
#ifndef OSPREL_VECTOR_PATHS_H
#define OSPREL_VECTOR_PATHS_H

namespace osprel {

// True unless switched off: every dispatch to a vector path asks first.
bool VectorPathsOn();

// For tests, which run the same inputs through both; process-wide, so not
// while another thread codes.
void SetVectorPaths(bool on);

}  // namespace osprel

#endif
