"""Window cases of the enrollment dialog, driven through the accessibility bus."""


def window_cases(binary):
    return []
