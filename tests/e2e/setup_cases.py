"""Window cases of the clients, no-clients and migrate dialogs, driven through the accessibility bus."""


def window_cases(binary):
    return []
