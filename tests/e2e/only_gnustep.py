def cases(driver):
    return []
